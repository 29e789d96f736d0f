#include "data/uncompressed.hpp"

#include <algorithm>

#include "bitstream/bit_reader.hpp"
#include "data/coding_state.hpp"
#include "data/compressed.hpp"
#include "data/element_reader.hpp"
#include "data/walk.hpp"
#include "data/walk_budget.hpp"

namespace mervane {
namespace {

class UncompressedWalk : public DescriptorWalk<UncompressedWalk> {
 public:
  static constexpr const char* kDepthText = "descriptor decode exceeded recursion depth";

  UncompressedWalk(const TableSet& tables, BitReader& reader, std::vector<DecodedValue>& values,
                   WalkBudget& budget)
      : DescriptorWalk(tables), reader_(reader), values_(values), budget_(budget) {}

  ValueCodingState& state() { return state_; }

 private:
  friend class DescriptorWalk<UncompressedWalk>;

  Status step() { return budget_.step(values_.size()); }

  Status element(std::uint32_t code) {
    if (!is_class31(code)) {
      MERVANE_TRY(read_associated_field(reader_, state_.associated_width, values_));
    }
    const ElementDefinition* d = tables_.element(code);
    if (d == nullptr) return BufrError::element_not_found(code);
    MERVANE_ASSIGN(const std::optional<double> number,
                   read_element(*d, tables_, reader_, state_, values_));
    state_.local_width.reset();
    if (code == kDataPresentIndicator && state_.bitmap_recording) {
      if (number) state_.record_bitmap_entry(*number);
    } else {
      state_.history.push_back(d);
    }
    return Ok{};
  }

  // Reads a delayed replication factor; it enters the history whatever its class.
  Result<std::uint64_t> factor(const ElementDefinition& d) {
    MERVANE_ASSIGN(const std::optional<double> number,
                   read_element(d, tables_, reader_, state_, values_));
    state_.history.push_back(&d);
    return replication_count(number);
  }

  Status marker(std::uint32_t code) {
    values_.push_back(operator_marker(code));
    return Ok{};
  }

  Status bitmapped(const ElementDefinition& d) {
    MERVANE_TRY(read_element(d, tables_, reader_, state_, values_));
    return Ok{};
  }

  BitReader& reader_;
  std::vector<DecodedValue>& values_;
  WalkBudget& budget_;
};

}  // namespace

std::uint64_t replication_count(std::optional<double> number) {
  if (!number || !(*number > 0.0)) return 0;
  // 2^64 itself is the first double past the range.
  if (*number >= 18446744073709551616.0) return UINT64_MAX;
  return static_cast<std::uint64_t>(*number);
}

Result<std::vector<DecodedValue>> decode_uncompressed_values(const BufrMessage& message,
                                                             const TableSet& tables,
                                                             std::span<const std::uint8_t> data) {
  BitReader reader(data);
  if (message.compressed_data) return decode_compressed_values(message, tables, reader);

  std::vector<DecodedValue> values;
  // Values take a dozen bits or so; a guess saves most regrowth and costs only address space.
  values.reserve(
      static_cast<std::size_t>(std::min<std::uint64_t>(reader.bits_available() / 16, 1 << 20)));
  WalkBudget budget = WalkBudget::uncompressed(reader.bits_available());
  UncompressedWalk walk(tables, reader, values, budget);
  std::uint64_t text_counter = 0;
  for (unsigned subset = 0; subset < message.number_of_subsets; ++subset) {
    walk.state().reset(text_counter);
    MERVANE_TRY(walk.walk(message.unexpanded_descriptors, 0));
    text_counter = walk.state().text_counter;
  }
  return values;
}

}  // namespace mervane
