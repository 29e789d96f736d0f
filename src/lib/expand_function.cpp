#include <string>
#include <vector>

#include "error/os_file.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/functions.hpp"
#include "lib/py_ref.hpp"
#include "tables/eccodes_loader.hpp"
#include "tables/expand.hpp"

namespace mervane::py {
namespace {

// `descriptors`: any sequence but str, of ints in 0..4294967295.
bool codes_arg(const char* function, PyObject* obj, std::vector<std::uint32_t>& out) {
  if (PyUnicode_Check(obj) || !PySequence_Check(obj)) {
    bad_argument(function, "descriptors", "a sequence of int", obj);
    return false;
  }
  // A tuple of its own: an item's __index__ may change the caller's list while it is read.
  PyRef items = steal(PySequence_Tuple(obj));
  if (!items) return false;
  const Py_ssize_t n = PySequence_Fast_GET_SIZE(items.get());
  out.reserve(static_cast<std::size_t>(n));
  PyObject** item = PySequence_Fast_ITEMS(items.get());
  for (Py_ssize_t i = 0; i < n; ++i) {
    if (PyFloat_Check(item[i]) || !PyIndex_Check(item[i])) {
      PyErr_Format(PyExc_TypeError,
                   "%s() argument 'descriptors' must be a sequence of int, not one holding %.200s",
                   function, Py_TYPE(item[i])->tp_name);
      return false;
    }
    std::uint32_t code = 0;
    if (!u32_arg(function, "descriptors", item[i], code)) return false;
    out.push_back(code);
  }
  return true;
}

}  // namespace

PyObject* expand_with(const TableSet& tables, const char* function, PyObject* descriptors) {
  return guard([&]() -> PyObject* {
    std::vector<std::uint32_t> codes;
    if (!codes_arg(function, descriptors, codes)) return nullptr;
    auto expanded = expand(tables, codes);
    if (!expanded) return to_py_err(std::move(expanded).error());
    return code_list(expanded.value());
  });
}

PyObject* expand_descriptors(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"table_dir", "descriptors", nullptr};
    PyObject* dir_obj = nullptr;
    PyObject* descriptors = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:expand_descriptors", kwlist(names), &dir_obj,
                                     &descriptors)) {
      return nullptr;
    }
    std::string dir_text;
    if (!path_arg("expand_descriptors", "table_dir", dir_obj, dir_text)) return nullptr;
    std::vector<std::uint32_t> codes;
    if (!codes_arg("expand_descriptors", descriptors, codes)) return nullptr;
    auto dir = path_from_text(dir_text);
    if (!dir) return to_py_err(std::move(dir).error());
    auto tables = from_eccodes_dir(dir.value());
    if (!tables) return to_py_err(std::move(tables).error());
    auto expanded = expand(tables.value(), codes);
    if (!expanded) return to_py_err(std::move(expanded).error());
    return code_list(expanded.value());
  });
}

}  // namespace mervane::py
