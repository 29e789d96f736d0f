#include <new>

#include "data/decoded_value.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

struct ValueObject {
  PyObject_HEAD
  DecodedValue value;
};

const DecodedValue& value_of(PyObject* obj) {
  return reinterpret_cast<ValueObject*>(obj)->value;
}

void dealloc(PyObject* obj) {
  reinterpret_cast<ValueObject*>(obj)->value.~DecodedValue();
  Py_TYPE(obj)->tp_free(obj);
}

PyObject* optional_text(const std::optional<std::string>& s) {
  return s ? text(*s) : Py_NewRef(Py_None);
}

PyObject* get_descriptor(PyObject* obj, void*) {
  return PyLong_FromUnsignedLong(value_of(obj).descriptor);
}
PyObject* get_name(PyObject* obj, void*) {
  return text(value_of(obj).name);
}
PyObject* get_raw_value(PyObject* obj, void*) {
  const auto& v = value_of(obj).raw_value;
  return v ? PyFloat_FromDouble(*v) : Py_NewRef(Py_None);
}
PyObject* get_raw(PyObject* obj, void*) {
  const auto& v = value_of(obj).raw;
  return v ? PyLong_FromUnsignedLongLong(*v) : Py_NewRef(Py_None);
}
PyObject* get_raw_text(PyObject* obj, void*) {
  return optional_text(value_of(obj).raw_text);
}
PyObject* get_raw_meaning(PyObject* obj, void*) {
  return optional_text(value_of(obj).raw_meaning);
}
PyObject* get_data(PyObject* obj, void*) {
  const DecodedValue& v = value_of(obj);
  if (v.raw_text) return text(*v.raw_text);
  if (v.raw_meaning) return text(*v.raw_meaning);
  if (v.raw_value) return PyFloat_FromDouble(*v.raw_value);
  return Py_NewRef(Py_None);
}

PyObject* repr(PyObject* obj) {
  return guard([&]() -> PyObject* { return text(value_repr(value_of(obj))); });
}

PyGetSetDef getters[] = {
    {"descriptor", get_descriptor, nullptr, nullptr, nullptr},
    {"name", get_name, nullptr, nullptr, nullptr},
    {"raw_value", get_raw_value, nullptr, nullptr, nullptr},
    {"raw", get_raw, nullptr, nullptr, nullptr},
    {"raw_text", get_raw_text, nullptr, nullptr, nullptr},
    {"raw_meaning", get_raw_meaning, nullptr, nullptr, nullptr},
    {"data", get_data, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

PyTypeObject DecodedValueType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_decoded_value_type() {
  PyTypeObject& t = DecodedValueType;
  t.tp_name = "DecodedValue";
  t.tp_basicsize = sizeof(ValueObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_dealloc = dealloc;
  t.tp_repr = repr;
  t.tp_getset = getters;
  return PyType_Ready(&t) == 0;
}

PyObject* wrap_values(std::vector<DecodedValue> values) {
  PyRef list = steal(PyList_New(static_cast<Py_ssize_t>(values.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < values.size(); ++i) {
    // Not zeroed first, as tp_alloc would: the record is constructed over the memory at once.
    ValueObject* obj = PyObject_New(ValueObject, &DecodedValueType);
    if (obj == nullptr) return nullptr;
    new (&obj->value) DecodedValue(std::move(values[i]));
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), reinterpret_cast<PyObject*>(obj));
  }
  return list.release();
}

}  // namespace mervane::py
