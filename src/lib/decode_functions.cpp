#include <string>

#include "data/uncompressed.hpp"
#include "error/os_file.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/functions.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"
#include "message/bufr_message.hpp"
#include "tables/eccodes_loader.hpp"

namespace mervane::py {
namespace {

// The first message of `data` (junk before its marker skipped), parsed, and its bytes. The
// whole of `data` is split first, so damage after the first message is still reported.
Result<BufrMessage> first_message(Bytes data, Bytes& view) {
  MERVANE_ASSIGN(const std::vector<Bytes> views, split_messages(data));
  if (views.empty()) return BufrError::missing_marker();
  view = views.front();
  return parse_message(view);
}

PyObject* decode_with(const BufrMessage& message, Bytes view, const TableSet& tables) {
  const Bytes section4 = view.subspan(message.section4_data_offset, message.section4_data_length);
  auto values = decode_uncompressed_values(message, tables, section4);
  if (!values) return to_py_err(std::move(values).error());
  return wrap_values(std::move(values).value());
}

bool parse_two(const char* function, const char* second, PyObject* args, PyObject* kwargs,
               PyObject*& data_obj, PyObject*& second_obj) {
  const char* const names[] = {"data", second, nullptr};
  const std::string format = std::string("OO:") + function;
  return PyArg_ParseTupleAndKeywords(args, kwargs, format.c_str(), kwlist(names), &data_obj,
                                     &second_obj) != 0;
}

// decode_values and decode_values_with_definitions: the tables come from a path.
template <class Load>
PyObject* decode_with_path(const char* function, const char* path_name, PyObject* args,
                           PyObject* kwargs, Load load) {
  PyObject* data_obj = nullptr;
  PyObject* path_obj = nullptr;
  if (!parse_two(function, path_name, args, kwargs, data_obj, path_obj)) return nullptr;
  Bytes data;
  std::string path_text;
  if (!bytes_arg(function, "data", data_obj, data) ||
      !path_arg(function, path_name, path_obj, path_text)) {
    return nullptr;
  }
  Bytes view;
  auto message = first_message(data, view);
  if (!message) return to_py_err(std::move(message).error());
  auto tables = path_from_text(path_text);
  if (!tables) return to_py_err(std::move(tables).error());
  auto loaded = load(tables.value(), message.value());
  if (!loaded) return to_py_err(std::move(loaded).error());
  return decode_with(message.value(), view, loaded.value());
}

}  // namespace

PyObject* decode_values(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    return decode_with_path(
        "decode_values", "table_dir", args, kwargs,
        [](const std::filesystem::path& dir, const BufrMessage&) { return from_eccodes_dir(dir); });
  });
}

PyObject* decode_values_with_definitions(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    return decode_with_path("decode_values_with_definitions", "definitions_root", args, kwargs,
                            [](const std::filesystem::path& root, const BufrMessage& message) {
                              return from_eccodes_definitions(root, message);
                            });
  });
}

PyObject* decode_values_with_tables(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    const char* const function = "decode_values_with_tables";
    PyObject* data_obj = nullptr;
    PyObject* tables_obj = nullptr;
    if (!parse_two(function, "tables", args, kwargs, data_obj, tables_obj)) return nullptr;
    Bytes data;
    if (!bytes_arg(function, "data", data_obj, data)) return nullptr;
    if (!PyObject_TypeCheck(tables_obj, &TableSetType)) {
      return bad_argument(function, "tables", "TableSet", tables_obj);
    }
    // Held for the call, so the table set outlives the decode whatever the caller does.
    PyRef held = borrow(tables_obj);
    Bytes view;
    auto message = first_message(data, view);
    if (!message) return to_py_err(std::move(message).error());
    return decode_with(message.value(), view, table_set_of(held.get()));
  });
}

}  // namespace mervane::py
