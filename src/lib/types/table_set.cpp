#include "lib/errors.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

PyObject* not_yet(PyTypeObject*, PyObject*, PyObject*) {
  return not_built("the TableSet class");
}

}  // namespace

PyTypeObject ElementDefinitionType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject SequenceDefinitionType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject TableSetType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_table_set_types() {
  ElementDefinitionType.tp_name = "ElementDefinition";
  ElementDefinitionType.tp_basicsize = sizeof(PyObject);
  ElementDefinitionType.tp_flags = Py_TPFLAGS_DEFAULT;
  SequenceDefinitionType.tp_name = "SequenceDefinition";
  SequenceDefinitionType.tp_basicsize = sizeof(PyObject);
  SequenceDefinitionType.tp_flags = Py_TPFLAGS_DEFAULT;
  TableSetType.tp_name = "TableSet";
  TableSetType.tp_basicsize = sizeof(PyObject);
  TableSetType.tp_flags = Py_TPFLAGS_DEFAULT;
  TableSetType.tp_doc = "TableSet()\n--\n\n";
  TableSetType.tp_new = not_yet;
  return PyType_Ready(&ElementDefinitionType) == 0 && PyType_Ready(&SequenceDefinitionType) == 0 &&
         PyType_Ready(&TableSetType) == 0;
}

const TableSet& table_set_of(PyObject*) {
  static const TableSet empty;
  return empty;
}

}  // namespace mervane::py
