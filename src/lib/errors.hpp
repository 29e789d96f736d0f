#pragma once

#include <Python.h>

#include <new>

#include "error/bufr_error.hpp"

namespace mervane::py {

// Raises ValueError with the error's display text; returns nullptr for `return to_py_err(e);`.
PyObject* to_py_err(BufrError error);

// Raises OSError with the Io error's text, without errno, strerror or filename set.
PyObject* to_os_error(const BufrError& error);

// TypeError in CPython's own words: "f() argument 'x' must be T, not U".
PyObject* bad_argument(const char* function, const char* argument, const char* expected,
                       PyObject* given);

// NotImplementedError for a capability that a later version of the module fills in.
PyObject* not_built(const char* capability);

// Runs a boundary function so that no C++ exception reaches the interpreter.
template <class F>
PyObject* guard(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "_mervane: unexpected internal failure");
    return nullptr;
  }
}

}  // namespace mervane::py
