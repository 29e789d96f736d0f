#pragma once

#include <cstdint>
#include <span>

#include "descriptor/descriptor.hpp"
#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

inline constexpr unsigned kMaxWalkDepth = 64;

// The descriptor walk that the uncompressed and compressed layouts share: one switch on F.
// `Layout` supplies what differs: element(code), replication(codes, i, depth) returning the
// index after the group, op(code), step() charging the walk's budget, and kDepthText.
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
          MERVANE_ASSIGN(i, layout.replication(codes, i, depth));
          break;
        }
        case 2:
          MERVANE_TRY(layout.op(code));
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

  const TableSet& tables_;
};

}  // namespace mervane
