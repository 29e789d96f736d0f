#include "error/utf8_text.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace mervane {
namespace {

bool is_printable(char32_t c) {
  if (c < 0x20 || c == 0x7F) return false;
  if (c < 0x7F) return true;
  if (c <= 0xA0 || c == 0xAD) return false;  // C1 controls, no-break space, soft hyphen
  struct Range {
    char32_t first, last;
  };
  // Combining marks, format and layout controls, spaces other than the ASCII one (they would
  // pass for it), surrogates, private use, noncharacters.
  static constexpr Range hidden[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD},   {0x0600, 0x0605},    {0x061C, 0x061C},
      {0x06DD, 0x06DD}, {0x070F, 0x070F}, {0x1680, 0x1680},   {0x180B, 0x180F},    {0x1AB0, 0x1AFF},
      {0x1DC0, 0x1DFF}, {0x2000, 0x200F}, {0x2028, 0x202F},   {0x205F, 0x206F},    {0x20D0, 0x20FF},
      {0x3000, 0x3000}, {0xD800, 0xF8FF}, {0xFE00, 0xFE0F},   {0xFE20, 0xFE2F},    {0xFEFF, 0xFEFF},
      {0xFFF0, 0xFFFB}, {0xFFFE, 0xFFFF}, {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
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

std::size_t utf8_valid_up_to(std::string_view text) {
  std::size_t i = 0;
  const std::size_t size = text.size();
  while (i < size) {
    // ASCII runs eight bytes at a time.
    if (i + 8 <= size) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t n = decode_utf8(text, i, c);
    if (n == 0) return i;
    i += n;
  }
  return size;
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

}  // namespace mervane
