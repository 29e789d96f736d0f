#include "descriptor/descriptor.hpp"

#include "error/bufr_error.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

struct DescriptorObject {
  PyObject_HEAD
  Descriptor value;
};

const Descriptor& value_of(PyObject* obj) {
  return reinterpret_cast<DescriptorObject*>(obj)->value;
}

PyObject* wrap(PyTypeObject* type, Descriptor value) {
  PyObject* obj = type->tp_alloc(type, 0);
  if (obj != nullptr) reinterpret_cast<DescriptorObject*>(obj)->value = value;
  return obj;
}

PyObject* create(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"f", "x", "y", nullptr};
    PyObject* parts[3] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOO:Descriptor", kwlist(names), &parts[0],
                                     &parts[1], &parts[2])) {
      return nullptr;
    }
    std::uint64_t v[3] = {};
    for (int i = 0; i < 3; ++i) {
      if (!unsigned_arg("Descriptor", names[i], parts[i], 255, v[i])) return nullptr;
    }
    return wrap(type, {static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]),
                       static_cast<std::uint8_t>(v[2])});
  });
}

PyObject* from_fxy(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"code", nullptr};
    PyObject* code_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:from_fxy", kwlist(names), &code_obj)) {
      return nullptr;
    }
    std::uint32_t code = 0;
    if (!u32_arg("from_fxy", "code", code_obj, code)) return nullptr;
    return wrap(&DescriptorType, Descriptor::from_fxy(code));
  });
}

PyMethodDef methods[] = {
    {"from_fxy", as_method(from_fxy), METH_VARARGS | METH_KEYWORDS | METH_STATIC,
     "from_fxy(code)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* get_f(PyObject* obj, void*) {
  return PyLong_FromLong(value_of(obj).f);
}
PyObject* get_x(PyObject* obj, void*) {
  return PyLong_FromLong(value_of(obj).x);
}
PyObject* get_y(PyObject* obj, void*) {
  return PyLong_FromLong(value_of(obj).y);
}
PyObject* get_fxy(PyObject* obj, void*) {
  return PyLong_FromUnsignedLong(value_of(obj).fxy());
}

PyGetSetDef getters[] = {
    {"f", get_f, nullptr, nullptr, nullptr},       {"x", get_x, nullptr, nullptr, nullptr},
    {"y", get_y, nullptr, nullptr, nullptr},       {"fxy", get_fxy, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* repr(PyObject* obj) {
  return guard([&] { return text("Descriptor(" + code6(value_of(obj).fxy()) + ")"); });
}

}  // namespace

PyTypeObject DescriptorType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_descriptor_type() {
  PyTypeObject& t = DescriptorType;
  t.tp_name = "Descriptor";
  t.tp_basicsize = sizeof(DescriptorObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_doc = "Descriptor(f, x, y)\n--\n\n";
  t.tp_new = create;
  t.tp_repr = repr;
  t.tp_methods = methods;
  t.tp_getset = getters;
  return PyType_Ready(&t) == 0;
}

}  // namespace mervane::py
