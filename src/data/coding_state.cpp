#include "data/coding_state.hpp"

#include <string>

namespace mervane {

void ValueCodingState::reset(std::uint64_t carried_text_counter) {
  bitmap.clear();
  history.clear();
  reference_multiplier = 1;
  bitmap_cursor = 0;
  bitmap_anchor = 0;
  text_counter = carried_text_counter;
  text_column_counter = 0;
  local_width.reset();
  text_width.reset();
  width_delta = 0;
  scale_delta = 0;
  bitmap_recording = false;
  associated_width = 0;
}

Result<const ElementDefinition*> ValueCodingState::next_bitmap_element() {
  const std::size_t length = bitmap.size();
  if (length == 0 || bitmap_cursor >= length) return nullptr;
  const std::size_t start = bitmap_anchor < length ? 0 : bitmap_anchor - length;
  std::size_t i = bitmap_cursor;
  while (i < length && bitmap[i] == 1)
    ++i;
  bitmap_cursor = i;
  if (i == length) return nullptr;
  bitmap_cursor = i + 1;
  const std::size_t k = start + i;
  if (k >= history.size())
    return BufrError::parse("bitmap reference is outside descriptor history");
  return history[k];
}

void ValueCodingState::record_bitmap_entry(double number) {
  // NaN compares false both ways and ends up as 0.
  const double clamped = number > 255.0 ? 255.0 : (number > 0.0 ? number : 0.0);
  bitmap.push_back(static_cast<std::uint8_t>(clamped));
}

Result<OperatorAction> apply_operator(std::uint32_t code, ValueCodingState& state) {
  const std::uint32_t x = descriptor_x(code);
  const std::uint8_t y = descriptor_y(code);
  auto unsupported = [code]() { return BufrError::parse("unsupported operator " + code6(code)); };
  switch (x) {
    case 1:
      state.width_delta = y == 0 ? 0 : y - 128;
      return OperatorAction::None;
    case 2:
      state.scale_delta = y == 0 ? 0 : y - 128;
      return OperatorAction::None;
    case 3:
      // New reference values (YYY bits each until 203255) are not decoded.
      if (y != 0 && y != 255) return unsupported();
      return OperatorAction::None;
    case 4:
      state.associated_width = y;
      return OperatorAction::None;
    case 5:
      // YYY octets of characters stand in the data.
      if (y != 0) return unsupported();
      return OperatorAction::None;
    case 6:
      state.local_width = y;
      return OperatorAction::None;
    case 7:
      if (y == 0) {
        state.width_delta = 0;
        state.scale_delta = 0;
        state.reference_multiplier = 1;
      } else {
        state.scale_delta = y;
        state.width_delta = (10 * y + 2) / 3;
        std::uint64_t multiplier = 1;
        for (unsigned i = 0; i < y; ++i)
          multiplier *= 10;  // wraps past 10^19 by design
        state.reference_multiplier = static_cast<std::int64_t>(multiplier);
      }
      return OperatorAction::None;
    case 8:
      if (y == 0)
        state.text_width.reset();
      else
        state.text_width = static_cast<std::uint16_t>(8 * y);
      return OperatorAction::None;
    case 9:
      // IEEE floating point data of YYY bits.
    case 21:
      // Data not present for the next YYY descriptors.
      if (y != 0) return unsupported();
      return OperatorAction::None;
    case 22:
    case 36:
    case 62:
      if (y != 0) return OperatorAction::None;
      if (x == 36) {
        state.bitmap_recording = true;
        state.bitmap.clear();
        state.bitmap_cursor = 0;
        state.bitmap_anchor = state.history.size();
      }
      return OperatorAction::Marker;
    case 23:
    case 24:
    case 25:
    case 32:
      return y == 255 ? OperatorAction::BitmappedRead : OperatorAction::Marker;
    case 26:
    case 27:
    case 29:
    case 30:
    case 31:
    case 33:
    case 34:
    case 38:
    case 39:
    case 40:
    case 41:
    case 42:
      return OperatorAction::Marker;
    case 35:
      if (y == 0) {
        state.bitmap.clear();
        state.bitmap_cursor = 0;
        state.bitmap_anchor = 0;
      }
      return OperatorAction::Marker;
    case 37:
      state.bitmap_cursor = 0;
      if (y != 0) {
        state.bitmap.clear();
        state.bitmap_anchor = 0;
      }
      return OperatorAction::Marker;
    default:
      return OperatorAction::None;
  }
}

}  // namespace mervane
