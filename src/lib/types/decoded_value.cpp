#include "lib/types/types.hpp"

namespace mervane::py {

PyTypeObject DecodedValueType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_decoded_value_type() {
  PyTypeObject& t = DecodedValueType;
  t.tp_name = "DecodedValue";
  t.tp_basicsize = sizeof(PyObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  return PyType_Ready(&t) == 0;
}

}  // namespace mervane::py
