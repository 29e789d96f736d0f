#pragma once

#include <Python.h>

namespace mervane::py {

// The module functions, in registration order.
PyObject* parse_bytes(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* parse_file(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* parse_all_bytes(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* parse_all_file(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* expand_descriptors(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* decode_values(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* decode_values_with_tables(PyObject* module, PyObject* args, PyObject* kwargs);
PyObject* decode_values_with_definitions(PyObject* module, PyObject* args, PyObject* kwargs);

}  // namespace mervane::py

#include "tables/table_set.hpp"

namespace mervane::py {

// TableSet.expand: expands `descriptors` (already unpacked from the call) through `tables`.
PyObject* expand_with(const TableSet& tables, const char* function, PyObject* descriptors);

}  // namespace mervane::py
