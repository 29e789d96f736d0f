#pragma once

#include <Python.h>

#include <utility>

namespace mervane::py {

// An owned reference. Made only by steal() or borrow(); never converts to PyObject* silently.
class PyRef {
 public:
  PyRef() = default;
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    if (this != &other) {
      Py_XDECREF(p_);
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~PyRef() { Py_XDECREF(p_); }

  friend PyRef steal(PyObject* p);
  friend PyRef borrow(PyObject* p);

  PyObject* get() const { return p_; }
  PyObject* release() { return std::exchange(p_, nullptr); }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  explicit PyRef(PyObject* p) : p_(p) {}
  PyObject* p_ = nullptr;
};

// Takes over a new reference (which may be null after a failed call).
inline PyRef steal(PyObject* p) {
  return PyRef(p);
}
// Adds a reference of our own to a borrowed one.
inline PyRef borrow(PyObject* p) {
  Py_XINCREF(p);
  return PyRef(p);
}

}  // namespace mervane::py
