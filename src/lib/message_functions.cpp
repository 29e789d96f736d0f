#include <string>

#include "error/os_file.hpp"
#include "lib/args.hpp"
#include "lib/errors.hpp"
#include "lib/functions.hpp"
#include "lib/py_ref.hpp"
#include "lib/types/types.hpp"
#include "message/bufr_message.hpp"

namespace mervane::py {
namespace {

// Reads the file named by the `path` argument; false with OSError or TypeError set.
bool read_path_arg(const char* function, PyObject* args, PyObject* kwargs,
                   std::vector<std::uint8_t>& contents) {
  static const char* const names[] = {"path", nullptr};
  PyObject* path_obj = nullptr;
  const std::string format = std::string("O:") + function;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format.c_str(), kwlist(names), &path_obj)) {
    return false;
  }
  std::string path_text;
  if (!path_arg(function, "path", path_obj, path_text)) return false;
  auto path = path_from_text(path_text);
  if (!path) {
    to_os_error(path.error());
    return false;
  }
  auto data = read_file(path.value());
  if (!data) {
    to_os_error(data.error());
    return false;
  }
  contents = std::move(data).value();
  return true;
}

bool read_data_arg(const char* function, PyObject* args, PyObject* kwargs, Bytes& data) {
  static const char* const names[] = {"data", nullptr};
  PyObject* data_obj = nullptr;
  const std::string format = std::string("O:") + function;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, format.c_str(), kwlist(names), &data_obj)) {
    return false;
  }
  return bytes_arg(function, "data", data_obj, data);
}

PyObject* parse_one(Bytes data) {
  auto message = parse_message(data);
  if (!message) return to_py_err(std::move(message).error());
  return wrap_message(std::move(message).value());
}

PyObject* parse_all(Bytes data) {
  auto views = split_messages(data);
  if (!views) return to_py_err(std::move(views).error());
  std::vector<BufrMessage> messages;
  messages.reserve(views.value().size());
  for (Bytes view : views.value()) {
    auto message = parse_message(view);
    if (!message) return to_py_err(std::move(message).error());
    messages.push_back(std::move(message).value());
  }
  PyRef list = steal(PyList_New(static_cast<Py_ssize_t>(messages.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    PyObject* obj = wrap_message(std::move(messages[i]));
    if (obj == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), obj);
  }
  return list.release();
}

}  // namespace

PyObject* parse_bytes(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    Bytes data;
    if (!read_data_arg("parse_bytes", args, kwargs, data)) return nullptr;
    return parse_one(data);
  });
}

PyObject* parse_file(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    std::vector<std::uint8_t> contents;
    if (!read_path_arg("parse_file", args, kwargs, contents)) return nullptr;
    return parse_one(contents);
  });
}

PyObject* parse_all_bytes(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    Bytes data;
    if (!read_data_arg("parse_all_bytes", args, kwargs, data)) return nullptr;
    return parse_all(data);
  });
}

PyObject* parse_all_file(PyObject*, PyObject* args, PyObject* kwargs) {
  return guard([&]() -> PyObject* {
    std::vector<std::uint8_t> contents;
    if (!read_path_arg("parse_all_file", args, kwargs, contents)) return nullptr;
    return parse_all(contents);
  });
}

}  // namespace mervane::py
