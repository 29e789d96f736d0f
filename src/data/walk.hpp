#pragma once

#include <cstdint>
#include <span>

#include "data/coding_state.hpp"
#include "data/element_reader.hpp"
#include "descriptor/descriptor.hpp"
#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

inline constexpr unsigned kMaxWalkDepth = 64;

// The descriptor walk that the uncompressed and compressed layouts share: one switch on F,
// with the coding state. `Layout` supplies what differs: element(code); factor(definition),
// reading a delayed replication factor and returning its count; marker(code); bitmapped(
// definition), reading an element through the bitmap; step(), charging the walk's budget; and
// kDepthText.
template <class Layout>
class DescriptorWalk {
 public:
  using Codes = std::span<const std::uint32_t>;

  Result<std::size_t> walk(Codes codes, unsigned depth) {
    if (depth > kMaxWalkDepth) return BufrError::parse(Layout::kDepthText);
    Layout& layout = static_cast<Layout&>(*this);
    const std::size_t n = codes.size();
    std::size_t i = 0;
    while (i < n) {
      MERVANE_TRY(layout.step());
      const std::uint32_t code = codes[i];
      switch (descriptor_f(code)) {
        case 0:
          MERVANE_TRY(layout.element(code));
          i += 1;
          break;
        case 1: {
          MERVANE_ASSIGN(i, replication(codes, i, depth));
          break;
        }
        case 2:
          MERVANE_TRY(op(code));
          i += 1;
          break;
        case 3: {
          const SequenceDefinition* sequence = tables_.sequence(code);
          if (sequence == nullptr) return BufrError::sequence_not_found(code);
          MERVANE_TRY(walk(sequence->members, depth + 1));
          i += 1;
          break;
        }
        default:
          return BufrError::parse("invalid descriptor " + code6(code));
      }
    }
    return n;
  }

 protected:
  explicit DescriptorWalk(const TableSet& tables) : tables_(tables) {}

  Status op(std::uint32_t code) {
    Layout& layout = static_cast<Layout&>(*this);
    MERVANE_ASSIGN(const OperatorAction action, apply_operator(code, state_));
    if (action == OperatorAction::Marker) return layout.marker(code);
    if (action == OperatorAction::BitmappedRead) {
      MERVANE_ASSIGN(const ElementDefinition* d, state_.next_bitmap_element());
      if (d == nullptr) return Ok{};
      if (descriptor_x(code) == 25) return layout.bitmapped(difference_definition(*d));
      return layout.bitmapped(*d);
    }
    return Ok{};
  }

  // Walks the group of the replication at codes[i]; returns the index after it.
  Result<std::size_t> replication(Codes codes, std::size_t i, unsigned depth) {
    Layout& layout = static_cast<Layout&>(*this);
    const std::uint32_t code = codes[i];
    const std::size_t n = codes.size();
    const std::size_t x = descriptor_x(code);
    const std::uint8_t y = descriptor_y(code);
    if (x == 0 || i + x >= n) return BufrError::unsupported_replication(code);
    if (y != 0) {
      const Codes group = codes.subspan(i + 1, x);
      for (unsigned r = 0; r < y; ++r) {
        MERVANE_TRY(layout.step());
        MERVANE_TRY(walk(group, depth + 1));
      }
      return i + x + 1;
    }
    if (i + x + 1 >= n) return BufrError::delayed_replication_incomplete(code);
    const std::uint32_t factor_code = codes[i + 1];
    const ElementDefinition* factor = tables_.element(factor_code);
    if (factor == nullptr) return BufrError::element_not_found(factor_code);
    MERVANE_ASSIGN(std::uint64_t count, layout.factor(*factor));
    const Codes group = codes.subspan(i + 2, x);
    for (; count != 0; --count) {
      MERVANE_TRY(layout.step());
      MERVANE_TRY(walk(group, depth + 1));
    }
    return i + x + 2;
  }

  const TableSet& tables_;
  ValueCodingState state_;
};

}  // namespace mervane
