#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "error/result.hpp"

namespace mervane {

// The table files' numeric fields. Each fails with a Parse error "<label> <quoted input>:
// <reason>", the first failing digit deciding the reason.

// A descriptor code: Unicode white space, then double quotes, trimmed from both ends.
Result<std::uint32_t> parse_code(std::string_view text);
// The others take the text untrimmed.
Result<std::int32_t> parse_i32(std::string_view text);
Result<std::int64_t> parse_i64(std::string_view text);
Result<std::uint16_t> parse_u16(std::string_view text);
// An unsigned 64-bit number with an optional "+", failing with "<label> <quoted>: <reason>".
Result<std::uint64_t> parse_u64(std::string_view text, std::string_view label);

// `text` between double quotes with backslash escapes for quotes, backslashes, control and
// other non-printable characters; bytes that are not UTF-8 show as U+FFFD.
std::string debug_quote(std::string_view text);

// Lossy UTF-8: every invalid byte sequence becomes U+FFFD.
std::string utf8_lossy(std::string_view bytes);

// Unicode White_Space.
bool is_unicode_space(char32_t c);
// `text` without Unicode white space at either end.
std::string_view trim_space(std::string_view text);

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when invalid.
std::size_t decode_utf8(std::string_view text, std::size_t i, char32_t& out);

}  // namespace mervane
