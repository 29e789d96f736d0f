#include "lib/errors.hpp"
#include "lib/functions.hpp"

namespace mervane::py {

PyObject* decode_values(PyObject*, PyObject*, PyObject*) {
  return not_built("decoding section 4 (decode_values)");
}

PyObject* decode_values_with_tables(PyObject*, PyObject*, PyObject*) {
  return not_built("decoding section 4 (decode_values_with_tables)");
}

PyObject* decode_values_with_definitions(PyObject*, PyObject*, PyObject*) {
  return not_built("decoding section 4 (decode_values_with_definitions)");
}

}  // namespace mervane::py
