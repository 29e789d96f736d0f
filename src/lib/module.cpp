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

PyObject* make_module() {
  PyRef module = steal(PyModule_Create(&module_def));
  if (!module) return nullptr;
  PyRef all = steal(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) != 0) return nullptr;

  if (!init_bufr_message_type() || !init_decoded_value_type() || !init_descriptor_type() ||
      !init_table_set_types()) {
    return nullptr;
  }
  for (PyTypeObject* type : {&BufrMessageType, &DecodedValueType, &DescriptorType,
                             &ElementDefinitionType, &SequenceDefinitionType, &TableSetType}) {
    // Type names are bare, so the registered name is the type's own.
    if (!add(module.get(), all.get(), type->tp_name, borrow(reinterpret_cast<PyObject*>(type)))) {
      return nullptr;
    }
  }
  PyRef module_name = steal(PyUnicode_FromString("_mervane"));
  if (!module_name) return nullptr;
  for (PyMethodDef* def = functions; def->ml_name != nullptr; ++def) {
    PyRef function = steal(PyCFunction_NewEx(def, module.get(), module_name.get()));
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
