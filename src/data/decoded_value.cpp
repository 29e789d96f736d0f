#include "data/decoded_value.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include "error/bufr_error.hpp"

namespace mervane {
namespace {

void append_hex_escape(std::string& out, std::uint32_t cp) {
  char buf[16];
  const auto end = std::to_chars(buf, buf + sizeof buf, cp, 16).ptr;
  out += "\\u{";
  out.append(buf, end);
  out += '}';
}

// Control, format and combining characters beyond ASCII; letters, digits, punctuation and
// symbols show as they are.
bool needs_escape(std::uint32_t cp) {
  if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) return true;
  if (cp == 0xAD || cp == 0x34F || cp == 0x61C || cp == 0x180E || cp == 0xFEFF) return true;
  if (cp >= 0x300 && cp <= 0x36F) return true;      // combining diacritical marks
  if (cp >= 0x483 && cp <= 0x489) return true;      // Cyrillic combining marks
  if (cp >= 0x591 && cp <= 0x5BD) return true;      // Hebrew points
  if (cp >= 0x1AB0 && cp <= 0x1AFF) return true;    // combining diacritical marks extended
  if (cp >= 0x1DC0 && cp <= 0x1DFF) return true;    // combining diacritical marks supplement
  if (cp >= 0x200B && cp <= 0x200F) return true;    // zero-width and direction marks
  if (cp >= 0x2028 && cp <= 0x202E) return true;    // separators and embeddings
  if (cp >= 0x2060 && cp <= 0x206F) return true;    // invisible operators, isolates
  if (cp >= 0x20D0 && cp <= 0x20FF) return true;    // combining marks for symbols
  if (cp >= 0xD800 && cp <= 0xDFFF) return true;    // surrogates
  if (cp >= 0xFE00 && cp <= 0xFE0F) return true;    // variation selectors
  if (cp >= 0xFE20 && cp <= 0xFE2F) return true;    // combining half marks
  if (cp >= 0xFFF9 && cp <= 0xFFFB) return true;    // interlinear annotation
  if ((cp & 0xFFFE) == 0xFFFE) return true;         // noncharacters
  if (cp >= 0xE0000 && cp <= 0xE0FFF) return true;  // tags and variation selectors
  return cp > 0x10FFFF;
}

// The code point starting at text[i] and its length; a malformed sequence is one U+FFFD.
std::uint32_t next_code_point(std::string_view text, std::size_t i, std::size_t& length) {
  const auto b0 = static_cast<std::uint8_t>(text[i]);
  if (b0 < 0x80) {
    length = 1;
    return b0;
  }
  std::size_t n = 0;
  std::uint32_t cp = 0;
  std::uint32_t min = 0;
  if ((b0 & 0xE0) == 0xC0)
    n = 2, cp = b0 & 0x1Fu, min = 0x80;
  else if ((b0 & 0xF0) == 0xE0)
    n = 3, cp = b0 & 0x0Fu, min = 0x800;
  else if ((b0 & 0xF8) == 0xF0)
    n = 4, cp = b0 & 0x07u, min = 0x10000;
  length = 1;
  if (n == 0 || text.size() - i < n) return 0xFFFD;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<std::uint8_t>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF) return 0xFFFD;
  length = n;
  return cp;
}

}  // namespace

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

void append_quoted(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    const std::uint32_t cp = next_code_point(text, i, length);
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (needs_escape(cp)) {
          append_hex_escape(out, cp);
        } else if (cp == 0xFFFD && length == 1) {
          out += "\xEF\xBF\xBD";
        } else {
          out.append(text.substr(i, length));
        }
    }
    i += length;
  }
  out += '"';
}

std::string value_repr(const DecodedValue& value) {
  std::string out = "DecodedValue(" + code6(value.descriptor) + ", ";
  if (value.raw_text) {
    append_quoted(out, *value.raw_text);
  } else if (value.raw_meaning) {
    append_quoted(out, *value.raw_meaning);
  } else if (value.raw_value) {
    out += "Some(" + format_number(*value.raw_value) + ")";
  } else {
    out += "None";
  }
  out += ')';
  return out;
}

}  // namespace mervane
