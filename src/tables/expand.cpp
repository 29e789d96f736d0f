#include "tables/expand.hpp"

#include "descriptor/descriptor.hpp"

namespace mervane {

Result<std::uint64_t> expand_into(const TableSet& tables, std::span<const std::uint32_t> codes,
                                  std::vector<std::uint32_t>& out, ExpansionState& state,
                                  unsigned depth) {
  if (depth > kMaxExpansionDepth) {
    return BufrError::parse("sequence expansion exceeded recursion depth");
  }
  const std::size_t start = out.size();
  const std::size_t n = codes.size();
  for (std::size_t i = 0; i < n;) {
    if (++state.steps > kMaxExpansionSteps) {
      return BufrError::parse("descriptor expansion exceeded " +
                              std::to_string(kMaxExpansionSteps) + " steps");
    }
    const std::uint32_t c = codes[i];
    const std::uint32_t x = descriptor_x(c);
    const std::uint8_t y = descriptor_y(c);
    switch (descriptor_f(c)) {
      case 0:
        if (state.associated_width != 0 && !is_class31(c)) out.push_back(kAssociatedFieldCode);
        out.push_back(c);
        i += 1;
        break;
      case 1: {
        if (x == 0 || i + x >= n) return BufrError::unsupported_replication(c);
        if (y != 0) {
          const auto group = codes.subspan(i + 1, x);
          for (std::uint32_t r = 0; r < y; ++r) {
            MERVANE_TRY(expand_into(tables, group, out, state, depth + 1));
          }
          i += x + 1;
        } else {
          if (i + x + 1 >= n) return BufrError::delayed_replication_incomplete(c);
          MERVANE_TRY(expand_into(tables, codes.subspan(i + 1, x + 1), out, state, depth + 1));
          i += x + 2;
        }
        break;
      }
      case 2:
        if (x == 4) {
          state.associated_width = y;
        } else if (x != 1 && x != 2 && x != 6 && x != 7 && x != 8) {
          out.push_back(c);
        }
        i += 1;
        break;
      case 3: {
        const SequenceDefinition* sequence = tables.sequence(c);
        if (sequence == nullptr) return BufrError::sequence_not_found(c);
        MERVANE_TRY(expand_into(tables, sequence->members, out, state, depth + 1));
        i += 1;
        break;
      }
      default:
        return BufrError::parse("invalid descriptor " + code6(c));
    }
  }
  return static_cast<std::uint64_t>(out.size() - start);
}

Result<std::vector<std::uint32_t>> expand(const TableSet& tables,
                                          std::span<const std::uint32_t> codes) {
  std::vector<std::uint32_t> out;
  ExpansionState state;
  MERVANE_TRY(expand_into(tables, codes, out, state, 0));
  return out;
}

}  // namespace mervane
