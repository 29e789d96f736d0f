#include "lib/errors.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

PyObject* not_yet(PyTypeObject*, PyObject*, PyObject*) {
  return not_built("the Descriptor class");
}

}  // namespace

PyTypeObject DescriptorType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_descriptor_type() {
  PyTypeObject& t = DescriptorType;
  t.tp_name = "Descriptor";
  t.tp_basicsize = sizeof(PyObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_doc = "Descriptor(f, x, y)\n--\n\n";
  t.tp_new = not_yet;
  return PyType_Ready(&t) == 0;
}

}  // namespace mervane::py
