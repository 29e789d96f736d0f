#include "tables/field_parsers.hpp"

#include "error/utf8_text.hpp"

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

}  // namespace

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
    while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
      --start;
    char32_t c = 0;
    const std::size_t n = decode_utf8(text, start, c);
    if (n != end - start || !is_unicode_space(c)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

Result<std::uint32_t> parse_code(std::string_view text) {
  std::string_view s = trim_space(text);
  while (!s.empty() && s.front() == '"')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == '"')
    s.remove_suffix(1);
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

}  // namespace mervane
