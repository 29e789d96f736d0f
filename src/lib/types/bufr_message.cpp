#include <new>
#include <string>

#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"

namespace mervane::py {
namespace {

struct MessageObject {
  PyObject_HEAD
  BufrMessage message;
};

MessageObject* self_of(PyObject* obj) {
  return reinterpret_cast<MessageObject*>(obj);
}

void dealloc(PyObject* obj) {
  self_of(obj)->message.~BufrMessage();
  Py_TYPE(obj)->tp_free(obj);
}

template <auto Field>
PyObject* get(PyObject* obj, void*) {
  return to_py(self_of(obj)->message.*Field);
}

PyObject* repr(PyObject* obj) {
  return guard([&]() -> PyObject* {
    const BufrMessage& m = self_of(obj)->message;
    std::string s = "BufrMessage(edition=" + std::to_string(m.edition) +
                    ", length=" + std::to_string(m.total_length) +
                    ", subsets=" + std::to_string(m.number_of_subsets) + ", descriptors=[";
    for (std::size_t i = 0; i < m.unexpanded_descriptors.size(); ++i) {
      if (i != 0) s += ", ";
      s += std::to_string(m.unexpanded_descriptors[i]);
    }
    s += "])";
    return text(s);
  });
}

#define MERVANE_FIELD(name) \
  { #name, get < &BufrMessage::name>, nullptr, nullptr, nullptr }
PyGetSetDef getters[] = {
    MERVANE_FIELD(total_length),
    MERVANE_FIELD(edition),
    MERVANE_FIELD(section1_length),
    MERVANE_FIELD(master_table_number),
    MERVANE_FIELD(originating_centre),
    MERVANE_FIELD(originating_subcentre),
    MERVANE_FIELD(update_sequence_number),
    MERVANE_FIELD(local_section_present),
    MERVANE_FIELD(data_category),
    MERVANE_FIELD(international_data_subcategory),
    MERVANE_FIELD(local_data_subcategory),
    MERVANE_FIELD(master_tables_version_number),
    MERVANE_FIELD(local_tables_version_number),
    MERVANE_FIELD(typical_year),
    MERVANE_FIELD(typical_month),
    MERVANE_FIELD(typical_day),
    MERVANE_FIELD(typical_hour),
    MERVANE_FIELD(typical_minute),
    MERVANE_FIELD(typical_second),
    MERVANE_FIELD(section2_length),
    MERVANE_FIELD(section3_length),
    MERVANE_FIELD(number_of_subsets),
    MERVANE_FIELD(observed_data),
    MERVANE_FIELD(compressed_data),
    MERVANE_FIELD(unexpanded_descriptors),
    MERVANE_FIELD(section4_length),
    MERVANE_FIELD(section4_data_offset),
    MERVANE_FIELD(section4_data_length),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
#undef MERVANE_FIELD

}  // namespace

PyTypeObject BufrMessageType = {PyVarObject_HEAD_INIT(nullptr, 0)};

bool init_bufr_message_type() {
  PyTypeObject& t = BufrMessageType;
  t.tp_name = "BufrMessage";
  t.tp_basicsize = sizeof(MessageObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT;
  t.tp_dealloc = dealloc;
  t.tp_repr = repr;
  t.tp_getset = getters;
  return PyType_Ready(&t) == 0;
}

PyObject* wrap_message(BufrMessage message) {
  PyObject* obj = BufrMessageType.tp_alloc(&BufrMessageType, 0);
  if (obj == nullptr) return nullptr;
  new (&self_of(obj)->message) BufrMessage(std::move(message));
  return obj;
}

const BufrMessage& message_of(PyObject* obj) {
  return self_of(obj)->message;
}

}  // namespace mervane::py
