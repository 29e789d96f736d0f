#include "lib/args.hpp"

#include "lib/errors.hpp"
#include "lib/py_ref.hpp"

namespace mervane::py {

bool bytes_arg(const char* function, const char* name, PyObject* obj,
               std::span<const std::uint8_t>& out) {
  if (!PyBytes_Check(obj)) {
    bad_argument(function, name, "bytes", obj);
    return false;
  }
  out = {reinterpret_cast<const std::uint8_t*>(PyBytes_AS_STRING(obj)),
         static_cast<std::size_t>(PyBytes_GET_SIZE(obj))};
  return true;
}

bool path_arg(const char* function, const char* name, PyObject* obj, std::string& out) {
  if (!PyUnicode_Check(obj)) {
    bad_argument(function, name, "str", obj);
    return false;
  }
  PyRef encoded = steal(PyUnicode_EncodeFSDefault(obj));
  if (!encoded) return false;
  out.assign(PyBytes_AS_STRING(encoded.get()),
             static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.get())));
  return true;
}

bool unsigned_arg(const char* function, const char* name, PyObject* obj, std::uint64_t max,
                  std::uint64_t& out) {
  if (PyFloat_Check(obj) || !PyIndex_Check(obj)) {
    bad_argument(function, name, "int", obj);
    return false;
  }
  PyRef index = steal(PyNumber_Index(obj));
  if (!index) return false;
  int overflow = 0;
  const long long small = PyLong_AsLongLongAndOverflow(index.get(), &overflow);
  if (small == -1 && PyErr_Occurred()) return false;
  std::uint64_t value = 0;
  bool in_range = false;
  if (overflow == 0) {
    in_range = small >= 0 && static_cast<std::uint64_t>(small) <= max;
    value = static_cast<std::uint64_t>(small);
  } else if (overflow > 0) {
    value = PyLong_AsUnsignedLongLong(index.get());
    if (value == static_cast<std::uint64_t>(-1) && PyErr_Occurred())
      PyErr_Clear();
    else
      in_range = value <= max;
  }
  if (!in_range) {
    PyErr_Format(PyExc_OverflowError, "%s() argument '%s' must be in range 0..%llu", function, name,
                 static_cast<unsigned long long>(max));
    return false;
  }
  out = value;
  return true;
}

PyObject* code_list(const std::vector<std::uint32_t>& codes) {
  PyRef list = steal(PyList_New(static_cast<Py_ssize_t>(codes.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    PyObject* item = PyLong_FromUnsignedLong(codes[i]);
    if (item == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
  }
  return list.release();
}

PyObject* to_py(const std::string& v) {
  return text(v);
}

PyObject* text(const std::string& s) {
  return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
}

}  // namespace mervane::py
