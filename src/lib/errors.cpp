#include "lib/errors.hpp"

namespace mervane::py {

PyObject* to_py_err(BufrError error) {
  const std::string text = error.display();
  PyObject* message =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
  if (message == nullptr) return nullptr;
  PyErr_SetObject(PyExc_ValueError, message);
  Py_DECREF(message);
  return nullptr;
}

PyObject* to_os_error(const BufrError& error) {
  const std::string text = error.detail();
  PyObject* message =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
  if (message == nullptr) return nullptr;
  // A single argument keeps errno, strerror and filename unset.
  PyObject* exc = PyObject_CallOneArg(PyExc_OSError, message);
  Py_DECREF(message);
  if (exc == nullptr) return nullptr;
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exc)), exc);
  Py_DECREF(exc);
  return nullptr;
}

PyObject* bad_argument(const char* function, const char* argument, const char* expected,
                       PyObject* given) {
  PyErr_Format(PyExc_TypeError, "%s() argument '%s' must be %s, not %.200s", function, argument,
               expected, given == Py_None ? "None" : Py_TYPE(given)->tp_name);
  return nullptr;
}

PyObject* not_built(const char* capability) {
  PyErr_Format(PyExc_NotImplementedError, "%s is not available in this build of _mervane yet",
               capability);
  return nullptr;
}

}  // namespace mervane::py
