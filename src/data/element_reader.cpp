#include "data/element_reader.hpp"

namespace mervane {

NumericCoding numeric_coding(const ElementDefinition& d, const ValueCodingState& state) {
  NumericCoding coding;
  if (state.local_width) {
    coding.width = *state.local_width;
  } else {
    const std::int64_t width = std::int64_t{d.width} + state.width_delta;
    coding.width = width > 0 ? static_cast<std::uint32_t>(width) : 0;
  }
  coding.scale = std::int64_t{d.scale} + state.scale_delta;
  // Two's-complement product, wrapping like the encoders that wrote it.
  coding.reference =
      static_cast<std::int64_t>(static_cast<std::uint64_t>(d.reference) *
                                static_cast<std::uint64_t>(state.reference_multiplier));
  return coding;
}

double scale_divisor(std::int64_t scale) {
  std::uint64_t n =
      scale < 0 ? 0 - static_cast<std::uint64_t>(scale) : static_cast<std::uint64_t>(scale);
  double result = 1.0;
  double base = 10.0;
  while (n != 0) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return scale < 0 ? 1.0 / result : result;
}

double scaled_value(std::int64_t reference, std::uint64_t raw, double divisor) {
  __extension__ using Int128 = __int128;
  const Int128 sum = Int128{reference} + Int128{raw};
  return static_cast<double>(sum) / divisor;
}

bool decode_ia5_text(std::string& bytes) {
  bool all_ff = true;
  for (char& c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b != 0xFF) all_ff = false;
    if (b >= 0x80) c = '?';
  }
  if (bytes.empty() || all_ff) return false;
  std::size_t end = bytes.size();
  while (end > 0 && (bytes[end - 1] == ' ' || (bytes[end - 1] >= '\t' && bytes[end - 1] <= '\r'))) {
    --end;
  }
  bytes.resize(end);
  return true;
}

ElementDefinition difference_definition(const ElementDefinition& d) {
  ElementDefinition adjusted = d;
  // 2^64 and above wrap to 0 in 64 bits; no shift by 64 or more is made.
  const std::uint64_t power = d.width >= 64 ? 0 : std::uint64_t{1} << d.width;
  adjusted.reference = static_cast<std::int64_t>(0 - power);
  if (adjusted.width != UINT16_MAX) ++adjusted.width;
  return adjusted;
}

Result<std::optional<double>> read_element(const ElementDefinition& d, const TableSet& tables,
                                           BitReader& reader, ValueCodingState& state,
                                           std::vector<DecodedValue>& values) {
  if (is_character(d)) {
    const std::uint16_t width = character_width(d, state);
    std::string text((width + 7u) / 8, '\0');
    MERVANE_TRY(reader.read_bytes_into(width, reinterpret_cast<std::uint8_t*>(text.data())));
    const bool present = decode_ia5_text(text);
    ++state.text_counter;
    DecodedValue& v = values.emplace_back();
    v.descriptor = d.code;
    v.name = d.name;
    v.raw_value = static_cast<double>(state.text_counter) * 1000.0 + (width / 8);
    if (present) v.raw_text = std::move(text);
    return std::optional<double>{};
  }

  const NumericCoding coding = numeric_coding(d, state);
  MERVANE_ASSIGN(const std::uint64_t raw, reader.read_u64(coding.width));
  const bool missing = !is_class31(d.code) && is_all_ones(raw, coding.width);
  DecodedValue& v = values.emplace_back();
  v.descriptor = d.code;
  v.name = d.name;
  v.raw = raw;
  if (const std::string* meaning = code_meaning(tables, d.code, raw)) v.raw_meaning = *meaning;
  if (missing) return std::optional<double>{};
  const double number = scaled_value(coding.reference, raw, scale_divisor(coding.scale));
  v.raw_value = number;
  return std::optional<double>{number};
}

Status read_associated_field(BitReader& reader, std::uint8_t width,
                             std::vector<DecodedValue>& values) {
  if (width == 0) return Ok{};
  MERVANE_ASSIGN(const std::uint64_t raw, reader.read_u64(width));
  DecodedValue& v = values.emplace_back();
  v.descriptor = kAssociatedFieldCode;
  v.name = "associatedField";
  v.raw = raw;
  v.raw_value = static_cast<double>(raw);
  return Ok{};
}

}  // namespace mervane
