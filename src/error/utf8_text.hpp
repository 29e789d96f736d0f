#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mervane {

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when invalid.
std::size_t decode_utf8(std::string_view text, std::size_t i, char32_t& out);

// How many bytes at the start of `text` are valid UTF-8.
std::size_t utf8_valid_up_to(std::string_view text);

inline bool is_valid_utf8(std::string_view text) {
  return utf8_valid_up_to(text) == text.size();
}

// Lossy UTF-8: every invalid byte sequence becomes U+FFFD.
std::string utf8_lossy(std::string_view bytes);

// `text` between double quotes, with backslash escapes for quotes, backslashes, TAB, CR, LF,
// NUL, and "\u{hex}" for control, format and combining characters, spaces other than the
// ASCII one and the like, so that every character can be seen; bytes that are not UTF-8 show
// as U+FFFD.
std::string debug_quote(std::string_view text);

}  // namespace mervane
