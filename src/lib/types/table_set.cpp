#include <new>
#include <string>

#include "error/os_file.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/functions.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"
#include "tables/eccodes_loader.hpp"
#include "tables/field_parsers.hpp"
#include "tables/wmo_csv_loader.hpp"

namespace mervane::py {
namespace {

// Each Python object owns its record; the definitions are copies, not views into a set.
template <class Record>
struct Holder {
  PyObject_HEAD
  Record record;
};

using ElementObject = Holder<ElementDefinition>;
using SequenceObject = Holder<SequenceDefinition>;
using TableSetObject = Holder<TableSet>;

template <class Record>
Record& record_of(PyObject* obj) {
  return reinterpret_cast<Holder<Record>*>(obj)->record;
}

template <class Record>
void dealloc(PyObject* obj) {
  record_of<Record>(obj).~Record();
  Py_TYPE(obj)->tp_free(obj);
}

template <class Record>
PyObject* wrap(PyTypeObject& type, Record record) {
  PyObject* obj = type.tp_alloc(&type, 0);
  if (obj == nullptr) return nullptr;
  new (&record_of<Record>(obj)) Record(std::move(record));
  return obj;
}

template <class Record, auto Field>
PyObject* get(PyObject* obj, void*) {
  return guard([&] { return to_py(record_of<Record>(obj).*Field); });
}

// ElementDefinition

PyObject* element_repr(PyObject* obj) {
  return guard([&] {
    const ElementDefinition& e = record_of<ElementDefinition>(obj);
    return text("ElementDefinition(" + code6(e.code) + ", name=" + debug_quote(e.name) + ")");
  });
}

#define MERVANE_FIELD(name) \
  { #name, get < ElementDefinition, &ElementDefinition::name>, nullptr, nullptr, nullptr }
PyGetSetDef element_getters[] = {
    MERVANE_FIELD(code),
    MERVANE_FIELD(abbreviation),
    MERVANE_FIELD(element_type),
    MERVANE_FIELD(name),
    MERVANE_FIELD(unit),
    MERVANE_FIELD(scale),
    MERVANE_FIELD(reference),
    MERVANE_FIELD(width),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
#undef MERVANE_FIELD

// SequenceDefinition

PyObject* sequence_repr(PyObject* obj) {
  return guard([&] {
    const SequenceDefinition& s = record_of<SequenceDefinition>(obj);
    std::string out = "SequenceDefinition(" + code6(s.code) + ", members=[";
    for (std::size_t i = 0; i < s.members.size(); ++i) {
      if (i != 0) out += ", ";
      out += std::to_string(s.members[i]);
    }
    out += "])";
    return text(out);
  });
}

PyGetSetDef sequence_getters[] = {
    {"code", get<SequenceDefinition, &SequenceDefinition::code>, nullptr, nullptr, nullptr},
    {"members", get<SequenceDefinition, &SequenceDefinition::members>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// TableSet

PyObject* table_set_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    if (PyTuple_GET_SIZE(args) != 0 || (kwargs != nullptr && PyDict_GET_SIZE(kwargs) != 0)) {
      PyErr_SetString(PyExc_TypeError, "TableSet() takes no arguments");
      return nullptr;
    }
    return wrap(*type, TableSet{});
  });
}

PyObject* table_set_repr(PyObject* obj) {
  return guard([&] {
    const TableSet& t = record_of<TableSet>(obj);
    return text("TableSet(elements=" + std::to_string(t.elements.size()) +
                ", sequences=" + std::to_string(t.sequences.size()) + ")");
  });
}

PyObject* wrap_result(Result<TableSet> loaded) {
  if (!loaded) return to_py_err(std::move(loaded).error());
  return wrap(TableSetType, std::move(loaded).value());
}

// The `path` argument of the loaders, as a file-system path; false with an exception set.
bool loader_path(const char* function, PyObject* obj, std::filesystem::path& out) {
  std::string path_text;
  if (!path_arg(function, "path", obj, path_text)) return false;
  auto path = path_from_text(path_text);
  if (!path) {
    to_py_err(std::move(path).error());
    return false;
  }
  out = std::move(path).value();
  return true;
}

PyObject* from_eccodes(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"path", nullptr};
    PyObject* path_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:from_eccodes", kwlist(names), &path_obj)) {
      return nullptr;
    }
    std::filesystem::path path;
    if (!loader_path("from_eccodes", path_obj, path)) return nullptr;
    return wrap_result(from_eccodes_dir(path));
  });
}

PyObject* from_definitions(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"path", "message", nullptr};
    PyObject* path_obj = nullptr;
    PyObject* message_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:from_definitions", kwlist(names), &path_obj,
                                     &message_obj)) {
      return nullptr;
    }
    std::filesystem::path path;
    if (!loader_path("from_definitions", path_obj, path)) return nullptr;
    if (!PyObject_TypeCheck(message_obj, &BufrMessageType)) {
      return bad_argument("from_definitions", "message", "BufrMessage", message_obj);
    }
    return wrap_result(from_eccodes_definitions(path, message_of(message_obj)));
  });
}

PyObject* from_bufr4_45_method(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"path", nullptr};
    PyObject* path_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:from_bufr4_45", kwlist(names), &path_obj)) {
      return nullptr;
    }
    std::filesystem::path path;
    if (!loader_path("from_bufr4_45", path_obj, path)) return nullptr;
    return wrap_result(from_bufr4_45(path));
  });
}

// The `code` argument of a lookup; false with an exception set.
bool code_arg(const char* function, PyObject* args, PyObject* kwargs, std::uint32_t& code) {
  static const char* const names[] = {"code", nullptr};
  PyObject* code_obj = nullptr;
  const std::string format = std::string("O:") + function;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format.c_str(), kwlist(names), &code_obj)) {
    return false;
  }
  return u32_arg(function, "code", code_obj, code);
}

PyObject* get_element(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    std::uint32_t code = 0;
    if (!code_arg("get_element", args, kwargs, code)) return nullptr;
    const ElementDefinition* e = record_of<TableSet>(self).element(code);
    if (e == nullptr) Py_RETURN_NONE;
    return wrap(ElementDefinitionType, *e);
  });
}

PyObject* get_sequence(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    std::uint32_t code = 0;
    if (!code_arg("get_sequence", args, kwargs, code)) return nullptr;
    const SequenceDefinition* s = record_of<TableSet>(self).sequence(code);
    if (s == nullptr) Py_RETURN_NONE;
    return wrap(SequenceDefinitionType, *s);
  });
}

PyObject* get_meaning(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"code", "raw", nullptr};
    PyObject* code_obj = nullptr;
    PyObject* raw_obj = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO:get_meaning", kwlist(names), &code_obj,
                                     &raw_obj)) {
      return nullptr;
    }
    std::uint32_t code = 0;
    std::uint64_t raw = 0;
    if (!u32_arg("get_meaning", "code", code_obj, code) ||
        !unsigned_arg("get_meaning", "raw", raw_obj, UINT64_MAX, raw)) {
      return nullptr;
    }
    const std::string* meaning = code_meaning(record_of<TableSet>(self), code, raw);
    if (meaning == nullptr) Py_RETURN_NONE;
    return text(*meaning);
  });
}

PyObject* expand(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    static const char* const names[] = {"descriptors", nullptr};
    PyObject* descriptors = nullptr;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O:expand", kwlist(names), &descriptors)) {
      return nullptr;
    }
    return expand_with(record_of<TableSet>(self), "expand", descriptors);
  });
}

PyMethodDef table_set_methods[] = {
    {"from_eccodes", as_method(from_eccodes), METH_VARARGS | METH_KEYWORDS | METH_STATIC,
     "from_eccodes(path)\n--\n\n"},
    {"from_definitions", as_method(from_definitions), METH_VARARGS | METH_KEYWORDS | METH_STATIC,
     "from_definitions(path, message)\n--\n\n"},
    {"from_bufr4_45", as_method(from_bufr4_45_method), METH_VARARGS | METH_KEYWORDS | METH_STATIC,
     "from_bufr4_45(path)\n--\n\n"},
    {"get_element", as_method(get_element), METH_VARARGS | METH_KEYWORDS,
     "get_element($self, code)\n--\n\n"},
    {"get_sequence", as_method(get_sequence), METH_VARARGS | METH_KEYWORDS,
     "get_sequence($self, code)\n--\n\n"},
    {"get_meaning", as_method(get_meaning), METH_VARARGS | METH_KEYWORDS,
     "get_meaning($self, code, raw)\n--\n\n"},
    {"expand", as_method(expand), METH_VARARGS | METH_KEYWORDS,
     "expand($self, descriptors)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* element_count(PyObject* self, void*) {
  return PyLong_FromSize_t(record_of<TableSet>(self).elements.size());
}

PyObject* sequence_count(PyObject* self, void*) {
  return PyLong_FromSize_t(record_of<TableSet>(self).sequences.size());
}

PyGetSetDef table_set_getters[] = {
    {"element_count", element_count, nullptr, nullptr, nullptr},
    {"sequence_count", sequence_count, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

PyTypeObject ElementDefinitionType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject SequenceDefinitionType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject TableSetType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_table_set_types() {
  // No Py_TPFLAGS_BASETYPE: none of the three can be subclassed. The definitions have no
  // tp_new, so calling their classes raises TypeError.
  PyTypeObject& e = ElementDefinitionType;
  e.tp_name = "ElementDefinition";
  e.tp_basicsize = sizeof(ElementObject);
  e.tp_flags = Py_TPFLAGS_DEFAULT;
  e.tp_dealloc = dealloc<ElementDefinition>;
  e.tp_repr = element_repr;
  e.tp_getset = element_getters;

  PyTypeObject& s = SequenceDefinitionType;
  s.tp_name = "SequenceDefinition";
  s.tp_basicsize = sizeof(SequenceObject);
  s.tp_flags = Py_TPFLAGS_DEFAULT;
  s.tp_dealloc = dealloc<SequenceDefinition>;
  s.tp_repr = sequence_repr;
  s.tp_getset = sequence_getters;

  PyTypeObject& t = TableSetType;
  t.tp_name = "TableSet";
  t.tp_basicsize = sizeof(TableSetObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_doc = "TableSet()\n--\n\n";
  t.tp_new = table_set_new;
  t.tp_dealloc = dealloc<TableSet>;
  t.tp_repr = table_set_repr;
  t.tp_methods = table_set_methods;
  t.tp_getset = table_set_getters;
  return PyType_Ready(&e) == 0 && PyType_Ready(&s) == 0 && PyType_Ready(&t) == 0;
}

const TableSet& table_set_of(PyObject* obj) {
  return record_of<TableSet>(obj);
}

}  // namespace mervane::py
