#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "error/result.hpp"
#include "error/utf8_text.hpp"

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

// Unicode White_Space.
bool is_unicode_space(char32_t c);
// `text` without Unicode white space at either end.
std::string_view trim_space(std::string_view text);

}  // namespace mervane
