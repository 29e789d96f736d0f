#include <Python.h>

#include "lib/args.hpp"
#include "lib/functions.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

PyMethodDef functions[] = {
    {"parse_bytes", as_method(parse_bytes), METH_VARARGS | METH_KEYWORDS,
     "parse_bytes(data)\n--\n\n"},
    {"parse_file", as_method(parse_file), METH_VARARGS | METH_KEYWORDS, "parse_file(path)\n--\n\n"},
    {"parse_all_bytes", as_method(parse_all_bytes), METH_VARARGS | METH_KEYWORDS,
     "parse_all_bytes(data)\n--\n\n"},
    {"parse_all_file", as_method(parse_all_file), METH_VARARGS | METH_KEYWORDS,
     "parse_all_file(path)\n--\n\n"},
    {"expand_descriptors", as_method(expand_descriptors), METH_VARARGS | METH_KEYWORDS,
     "expand_descriptors(table_dir, descriptors)\n--\n\n"},
    {"decode_values", as_method(decode_values), METH_VARARGS | METH_KEYWORDS,
     "decode_values(data, table_dir)\n--\n\n"},
    {"decode_values_with_tables", as_method(decode_values_with_tables),
     METH_VARARGS | METH_KEYWORDS, "decode_values_with_tables(data, tables)\n--\n\n"},
    {"decode_values_with_definitions", as_method(decode_values_with_definitions),
     METH_VARARGS | METH_KEYWORDS,
     "decode_values_with_definitions(data, definitions_root)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    // A size of 0 (not -1) makes the import system call the initialiser on every import, so
    // that it can hand back the one module object and refuse other interpreters.
    PyModuleDef_HEAD_INIT, "_mervane", nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

// The module is made once per process; the static types cannot serve a second interpreter.
PyObject* the_module = nullptr;
std::int64_t the_interpreter = -1;

bool add(PyObject* module, PyObject* all, const char* name, PyRef value) {
  if (!value) return false;
  if (PyModule_AddObjectRef(module, name, value.get()) != 0) return false;
  PyRef key = steal(PyUnicode_FromString(name));
  return key && PyList_Append(all, key.get()) == 0;
}

bool add_type(PyObject* module, PyObject* all, PyTypeObject& type, bool (*init)()) {
  if (type.tp_flags & Py_TPFLAGS_READY) {
    // Already made ready by an earlier registration in this process.
  } else if (!init()) {
    return false;
  }
  // Type names are bare; the module name lets pickling and help() find the class.
  PyRef module_name = steal(PyUnicode_FromString("_mervane"));
  if (!module_name || PyDict_SetItemString(type.tp_dict, "__module__", module_name.get()) != 0) {
    return false;
  }
  PyType_Modified(&type);
  return add(module, all, type.tp_name, borrow(reinterpret_cast<PyObject*>(&type)));
}

PyObject* make_module() {
  PyRef module = steal(PyModule_Create(&module_def));
  if (!module) return nullptr;
  PyRef all = steal(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) != 0) return nullptr;

  if (!add_type(module.get(), all.get(), BufrMessageType, init_bufr_message_type) ||
      !add_type(module.get(), all.get(), DecodedValueType, init_decoded_value_type) ||
      !add_type(module.get(), all.get(), DescriptorType, init_descriptor_type)) {
    return nullptr;
  }
  if (!(TableSetType.tp_flags & Py_TPFLAGS_READY) && !init_table_set_types()) return nullptr;
  if (!add_type(module.get(), all.get(), ElementDefinitionType, init_table_set_types) ||
      !add_type(module.get(), all.get(), SequenceDefinitionType, init_table_set_types) ||
      !add_type(module.get(), all.get(), TableSetType, init_table_set_types)) {
    return nullptr;
  }
  for (PyMethodDef* def = functions; def->ml_name != nullptr; ++def) {
    PyRef function = steal(PyCFunction_NewEx(def, module.get(), nullptr));
    if (!add(module.get(), all.get(), def->ml_name, std::move(function))) return nullptr;
  }
  return module.release();
}

}  // namespace
}  // namespace mervane::py

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__mervane() {
  using namespace mervane::py;
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (the_module != nullptr) {
    if (interpreter != the_interpreter) {
      PyErr_SetString(PyExc_ImportError,
                      "_mervane can be imported in only one interpreter per process");
      return nullptr;
    }
    return Py_NewRef(the_module);
  }
  PyObject* module = make_module();
  if (module == nullptr) return nullptr;
  the_module = Py_NewRef(module);
  the_interpreter = interpreter;
  return module;
}
