#include "tables/field_parsers.hpp"

#include <cstdio>
#include <type_traits>

namespace mervane {
namespace {

enum class IntFailure { None, Empty, InvalidDigit, TooLarge, TooSmall };

const char* reason(IntFailure failure) {
  switch (failure) {
    case IntFailure::None:
      return "";
    case IntFailure::Empty:
      return "cannot parse integer from empty string";
    case IntFailure::InvalidDigit:
      return "invalid digit found in string";
    case IntFailure::TooLarge:
      return "number too large to fit in target type";
    case IntFailure::TooSmall:
      return "number too small to fit in target type";
  }
  return "";
}

// Digits left to right; the first failure met decides, as for an overflow before a bad digit.
template <class T>
IntFailure parse_int(std::string_view s, T& out) {
  if (s.empty()) return IntFailure::Empty;
  std::size_t i = 0;
  bool negative = false;
  if (s[0] == '+') {
    i = 1;
  } else if (s[0] == '-') {
    if constexpr (!std::is_signed_v<T>) return IntFailure::InvalidDigit;
    negative = true;
    i = 1;
  }
  if (i == s.size()) return IntFailure::InvalidDigit;
  T value = 0;
  for (; i < s.size(); ++i) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(s[i])) - '0';
    if (digit > 9) return IntFailure::InvalidDigit;
    const T d = static_cast<T>(digit);
    if (negative) {
      if (__builtin_mul_overflow(value, T{10}, &value) ||
          __builtin_sub_overflow(value, d, &value)) {
        return IntFailure::TooSmall;
      }
    } else if (__builtin_mul_overflow(value, T{10}, &value) ||
               __builtin_add_overflow(value, d, &value)) {
      return IntFailure::TooLarge;
    }
  }
  out = value;
  return IntFailure::None;
}

BufrError parse_failure(std::string_view label, std::string_view given, IntFailure failure) {
  std::string text(label);
  text += ' ';
  text += debug_quote(given);
  text += ": ";
  text += reason(failure);
  return BufrError::parse(std::move(text));
}

template <class T>
Result<T> parse_labelled(std::string_view text, std::string_view label) {
  T value = 0;
  const IntFailure failure = parse_int(text, value);
  if (failure != IntFailure::None) return parse_failure(label, text, failure);
  return value;
}

bool is_printable(char32_t c) {
  if (c < 0x20 || c == 0x7F) return false;
  if (c < 0x7F) return true;
  if (c < 0xA0 || c == 0xAD) return false;  // C1 controls, soft hyphen
  struct Range {
    char32_t first, last;
  };
  // Combining marks, format and layout controls, surrogates, private use, noncharacters.
  static constexpr Range hidden[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0600, 0x0605},
      {0x061C, 0x061C}, {0x06DD, 0x06DD}, {0x070F, 0x070F}, {0x180B, 0x180F},
      {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x2028, 0x202E},
      {0x2060, 0x206F}, {0x20D0, 0x20FF}, {0xD800, 0xF8FF}, {0xFE00, 0xFE0F},
      {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xFFF0, 0xFFFB}, {0xFFFE, 0xFFFF},
      {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
  };
  for (const Range& r : hidden) {
    if (c < r.first) return true;
    if (c <= r.last) return false;
  }
  return true;
}

// Length of the invalid sequence at text[i] that one U+FFFD replaces: a lead byte together
// with the continuation bytes that could still have completed it (the maximal subpart).
std::size_t invalid_length(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t extra = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  std::size_t n = 1;
  while (n <= extra && i + n < text.size()) {
    const auto b = static_cast<unsigned char>(text[i + n]);
    if (b < low || b > high) break;
    low = 0x80, high = 0xBF;
    ++n;
  }
  return n;
}

constexpr std::string_view replacement = "\xEF\xBF\xBD";

}  // namespace

std::size_t decode_utf8(std::string_view text, std::size_t i, char32_t& out) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    out = c;
    return 1;
  }
  std::size_t extra;
  char32_t min;
  char32_t cp;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, cp = c & 0x1Fu;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, cp = c & 0x0Fu;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, cp = c & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - i <= extra) return 0;
  for (std::size_t k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  out = cp;
  return extra + 1;
}

bool is_unicode_space(char32_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::string_view trim_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    char32_t c = 0;
    const std::size_t n = decode_utf8(text, begin, c);
    if (n == 0 || !is_unicode_space(c)) break;
    begin += n;
  }
  std::size_t end = text.size();
  while (end > begin) {
    // Step back to the start of the last code point.
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    char32_t c = 0;
    const std::size_t n = decode_utf8(text, start, c);
    if (n != end - start || !is_unicode_space(c)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

Result<std::uint32_t> parse_code(std::string_view text) {
  std::string_view s = trim_space(text);
  while (!s.empty() && s.front() == '"') s.remove_prefix(1);
  while (!s.empty() && s.back() == '"') s.remove_suffix(1);
  std::uint32_t value = 0;
  const IntFailure failure = parse_int(s, value);
  if (failure != IntFailure::None) return parse_failure("bad descriptor code", text, failure);
  return value;
}

Result<std::int32_t> parse_i32(std::string_view text) {
  return parse_labelled<std::int32_t>(text, "bad i32");
}

Result<std::int64_t> parse_i64(std::string_view text) {
  return parse_labelled<std::int64_t>(text, "bad i64");
}

Result<std::uint16_t> parse_u16(std::string_view text) {
  return parse_labelled<std::uint16_t>(text, "bad u16");
}

Result<std::uint64_t> parse_u64(std::string_view text, std::string_view label) {
  return parse_labelled<std::uint64_t>(text, label);
}

std::string debug_quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t n = decode_utf8(text, i, c);
    if (n == 0) {
      out += replacement;
      i += invalid_length(text, i);
      continue;
    }
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
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
        if (is_printable(c)) {
          out.append(text.substr(i, n));
        } else {
          char buf[16];
          const int len = std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
          out.append(buf, static_cast<std::size_t>(len));
        }
    }
    i += n;
  }
  out += '"';
  return out;
}

std::string utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t n = decode_utf8(bytes, i, c);
    if (n == 0) {
      out += replacement;
      i += invalid_length(bytes, i);
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace mervane
