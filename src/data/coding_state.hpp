#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "descriptor/descriptor.hpp"
#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// What earlier descriptors have changed for the ones that follow: operator adjustments, the
// data-present bitmap and the history of elements it points into.
struct ValueCodingState {
  std::vector<std::uint8_t> bitmap;
  // Table B entries, which outlive the decode and never change while it runs.
  std::vector<const ElementDefinition*> history;
  std::int64_t reference_multiplier = 1;
  std::size_t bitmap_cursor = 0;
  std::size_t bitmap_anchor = 0;
  std::uint64_t text_counter = 0;
  std::uint64_t text_column_counter = 0;
  std::optional<std::uint16_t> local_width;
  std::optional<std::uint16_t> text_width;
  std::int32_t width_delta = 0;
  std::int32_t scale_delta = 0;
  bool bitmap_recording = false;
  std::uint8_t associated_width = 0;

  // Back to the initial state, keeping the lists' storage for the next subset.
  void reset(std::uint64_t carried_text_counter);

  // The next history entry that the bitmap marks present, or nullptr when there is none.
  Result<const ElementDefinition*> next_bitmap_element();

  // Appends one bitmap entry for a 031031 value (absent counts as nothing to append).
  void record_bitmap_entry(double number);
};

// What an operator descriptor does besides changing the state.
enum class OperatorAction : std::uint8_t { None, Marker, BitmappedRead };

// Applies the state changes of operator `code` (F = 2) and says what the walk must add: the
// marker does not depend on the state, so it may follow the changes. Operators that carry bits
// this decoder does not read fail rather than misalign every later value.
Result<OperatorAction> apply_operator(std::uint32_t code, ValueCodingState& state);

inline constexpr std::uint32_t kDataPresentIndicator = 31031;

}  // namespace mervane
