#pragma once

#include <Python.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mervane::py {

// Argument conversions. Each returns false with a Python exception set (TypeError naming the
// argument, or OverflowError), in the words of CPython's own argument parser.

// `bytes` or a subclass, read in place; the view lives as long as the object.
bool bytes_arg(const char* function, const char* name, PyObject* obj,
               std::span<const std::uint8_t>& out);

// `str`, as the file-system encoding spells it (undecodable bytes come back as they were).
bool path_arg(const char* function, const char* name, PyObject* obj, std::string& out);

// An int (or an object with __index__) in 0..max.
bool unsigned_arg(const char* function, const char* name, PyObject* obj, std::uint64_t max,
                  std::uint64_t& out);

inline bool u32_arg(const char* function, const char* name, PyObject* obj, std::uint32_t& out) {
  std::uint64_t v = 0;
  if (!unsigned_arg(function, name, obj, UINT32_MAX, v)) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

// A new list of ints.
PyObject* code_list(const std::vector<std::uint32_t>& codes);

// Field values as new Python objects, for attribute getters.
inline PyObject* to_py(bool v) {
  return PyBool_FromLong(v);
}
inline PyObject* to_py(std::uint8_t v) {
  return PyLong_FromUnsignedLong(v);
}
inline PyObject* to_py(std::uint16_t v) {
  return PyLong_FromUnsignedLong(v);
}
inline PyObject* to_py(std::uint32_t v) {
  return PyLong_FromUnsignedLong(v);
}
inline PyObject* to_py(std::uint64_t v) {
  return PyLong_FromUnsignedLongLong(v);
}
inline PyObject* to_py(std::int32_t v) {
  return PyLong_FromLong(v);
}
inline PyObject* to_py(std::int64_t v) {
  return PyLong_FromLongLong(v);
}
PyObject* to_py(const std::string& v);
inline PyObject* to_py(const std::vector<std::uint32_t>& codes) {
  return code_list(codes);
}

// A new str from UTF-8 bytes; invalid bytes become U+FFFD rather than failing.
PyObject* text(const std::string& s);

// Keyword lists are `char**` in older CPython headers.
inline char** kwlist(const char* const* names) {
  return const_cast<char**>(names);
}

// The PyCFunction form of a function taking keywords, cast as CPython itself casts it.
template <class F>
PyCFunction as_method(F f) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(f));
}

}  // namespace mervane::py
