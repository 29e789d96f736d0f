#pragma once

#include <type_traits>
#include <utility>
#include <variant>

#include "error/bufr_error.hpp"

namespace mervane {

// A value or a BufrError; the core's only way of failing (GCC 12 has no std::expected).
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Result(BufrError error) : v_(std::in_place_index<1>, std::move(error)) {}

  explicit operator bool() const { return v_.index() == 0; }
  bool ok() const { return v_.index() == 0; }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }

  BufrError& error() & { return std::get<1>(v_); }
  BufrError&& error() && { return std::get<1>(std::move(v_)); }

 private:
  std::variant<T, BufrError> v_;
};

struct Ok {};
using Status = Result<Ok>;

#define MERVANE_CONCAT_INNER(a, b) a##b
#define MERVANE_CONCAT(a, b) MERVANE_CONCAT_INNER(a, b)

// Returns the error of `expr` from the enclosing function.
#define MERVANE_TRY(expr)                                                    \
  do {                                                                       \
    auto&& mervane_try_result_ = (expr);                                     \
    if (!mervane_try_result_) return std::move(mervane_try_result_).error(); \
  } while (0)

// Declares or assigns `lhs` from the value of `expr`, or returns its error.
#define MERVANE_ASSIGN(lhs, expr) \
  MERVANE_ASSIGN_IMPL(MERVANE_CONCAT(mervane_assign_result_, __LINE__), lhs, expr)
#define MERVANE_ASSIGN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                        \
  if (!tmp) return std::move(tmp).error();  \
  lhs = std::move(tmp).value()

}  // namespace mervane
