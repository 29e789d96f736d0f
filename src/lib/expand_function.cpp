#include "lib/errors.hpp"
#include "lib/functions.hpp"

namespace mervane::py {

PyObject* expand_descriptors(PyObject*, PyObject*, PyObject*) {
  return not_built("descriptor expansion (expand_descriptors)");
}

}  // namespace mervane::py

namespace mervane::py {

PyObject* expand_with(const TableSet&, const char*, PyObject*) {
  return not_built("descriptor expansion (TableSet.expand)");
}

}  // namespace mervane::py
