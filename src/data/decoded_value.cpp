#include "data/decoded_value.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include "error/bufr_error.hpp"
#include "error/utf8_text.hpp"

namespace mervane {

std::string format_number(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";

  // Shortest round-trip digits, taken from the scientific form "d.ddde[+-]xx".
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific).ptr;
  std::string_view sci(buf, static_cast<std::size_t>(end - buf));
  std::string out;
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const std::size_t e_pos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e_pos)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;
  std::string_view exp_text = sci.substr(e_pos + 1);
  if (exp_text.front() == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);

  const double magnitude = std::fabs(value);
  if (magnitude >= 1e-4 && magnitude < 1e16) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const auto whole = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
        out += ".0";
      } else {
        out.append(digits, 0, whole);
        out += '.';
        out.append(digits, whole);
      }
    }
    return out;
  }
  out += digits[0];
  if (digits.size() > 1) {
    out += '.';
    out.append(digits, 1);
  }
  out += 'e';
  out += std::to_string(exponent);
  return out;
}

std::string value_repr(const DecodedValue& value) {
  std::string out = "DecodedValue(" + code6(value.descriptor) + ", ";
  if (value.raw_text) {
    out += debug_quote(*value.raw_text);
  } else if (value.raw_meaning) {
    out += debug_quote(*value.raw_meaning);
  } else if (value.raw_value) {
    out += "Some(" + format_number(*value.raw_value) + ")";
  } else {
    out += "None";
  }
  out += ')';
  return out;
}

}  // namespace mervane
