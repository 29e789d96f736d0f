#pragma once

#include <Python.h>

#include <vector>

#include "data/decoded_value.hpp"
#include "message/bufr_message.hpp"
#include "tables/table_set.hpp"

namespace mervane::py {

// The six classes, in registration order. Each is made ready by its init function.
extern PyTypeObject BufrMessageType;
extern PyTypeObject DecodedValueType;
extern PyTypeObject DescriptorType;
extern PyTypeObject ElementDefinitionType;
extern PyTypeObject SequenceDefinitionType;
extern PyTypeObject TableSetType;

bool init_bufr_message_type();
bool init_decoded_value_type();
bool init_descriptor_type();
bool init_table_set_types();  // ElementDefinition, SequenceDefinition, TableSet

// A new BufrMessage object owning `message`.
PyObject* wrap_message(BufrMessage message);
// The record inside a BufrMessage object (the caller has checked the type).
const BufrMessage& message_of(PyObject* obj);

// A new list of new DecodedValue objects, the records moved into them in order.
PyObject* wrap_values(std::vector<DecodedValue> values);

// The table set inside a TableSet object (the caller has checked the type).
const TableSet& table_set_of(PyObject* obj);

}  // namespace mervane::py
