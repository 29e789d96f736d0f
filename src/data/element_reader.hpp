#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bitstream/bit_reader.hpp"
#include "data/coding_state.hpp"
#include "data/decoded_value.hpp"
#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Width, scale and reference of a numeric element under the operators in force. The width is
// kept wider than a table width so that an adjusted width past 65535 does not wrap.
struct NumericCoding {
  std::uint32_t width = 0;
  std::int64_t scale = 0;
  std::int64_t reference = 0;
};

inline bool is_character(const ElementDefinition& d) {
  return d.unit == "CCITT IA5";
}

NumericCoding numeric_coding(const ElementDefinition& d, const ValueCodingState& state);

inline std::uint16_t character_width(const ElementDefinition& d, const ValueCodingState& state) {
  return state.text_width ? *state.text_width : d.width;
}

// Every one of `width` bits set; widths of 64 and more have no missing value.
inline bool is_all_ones(std::uint64_t raw, std::uint32_t width) {
  return width <= 63 && raw == (std::uint64_t{1} << width) - 1;
}

// The all-ones value of `width` bits (every bit set for 64 and more).
inline std::uint64_t all_ones(std::uint32_t width) {
  return width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
}

// 10^scale by binary exponentiation; for a negative scale the reciprocal of 10^-scale.
double scale_divisor(std::int64_t scale);

// (reference + raw) exactly, rounded once to a double, divided by `divisor`.
double scaled_value(std::int64_t reference, std::uint64_t raw, double divisor);

// Turns the bytes of a character element into its text in place: ASCII kept, other bytes as
// "?", trailing white space dropped. False when the text is missing (no bytes, all 0xFF).
bool decode_ia5_text(std::string& bytes);

// The definition adjusted for 225255 (difference statistics): reference -2^width, one bit more.
ElementDefinition difference_definition(const ElementDefinition& d);

// Reads one element and appends its value; returns its number (absent when missing and for
// character elements).
Result<std::optional<double>> read_element(const ElementDefinition& d, const TableSet& tables,
                                           BitReader& reader, ValueCodingState& state,
                                           std::vector<DecodedValue>& values);

// Appends the associated field that precedes an element while 204YYY is in force.
Status read_associated_field(BitReader& reader, std::uint8_t width,
                             std::vector<DecodedValue>& values);

}  // namespace mervane
