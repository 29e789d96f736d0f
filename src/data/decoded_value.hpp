#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mervane {

// One value read from section 4: an element, an associated field or an operator marker.
struct DecodedValue {
  std::uint32_t descriptor = 0;
  std::string name;
  std::optional<double> raw_value;
  std::optional<std::uint64_t> raw;
  std::optional<std::string> raw_text;
  std::optional<std::string> raw_meaning;
};

// The value an operator leaves where it stands.
inline DecodedValue operator_marker(std::uint32_t code) {
  return {code, "operator", 0.0, 0, std::nullopt, std::nullopt};
}

// The number as the repr shows it: shortest round-trip digits, positional from 1e-4 up to
// 1e16 (with a digit after the point), scientific otherwise; "inf", "-inf" and "nan" as Python.
std::string format_number(double value);

// "DecodedValue(012101, Some(273.15))" and its kin.
std::string value_repr(const DecodedValue& value);

}  // namespace mervane
