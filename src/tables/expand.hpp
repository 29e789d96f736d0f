#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Shared by every nested step of one top-level expansion, so that a 204YYY stays in force
// across sequence and replication boundaries.
struct ExpansionState {
  std::uint8_t associated_width = 0;
  // Codes visited so far; bounds the work of nested fixed replications.
  std::uint64_t steps = 0;
};

inline constexpr unsigned kMaxExpansionDepth = 64;
// Far beyond any real descriptor list, yet small enough that a hostile one (fixed replications
// nested six deep) ends in a fraction of a second.
inline constexpr std::uint64_t kMaxExpansionSteps = std::uint64_t{1} << 20;

// Expands `codes` through Table D into `out`; returns how many codes this call appended.
Result<std::uint64_t> expand_into(const TableSet& tables, std::span<const std::uint32_t> codes,
                                  std::vector<std::uint32_t>& out, ExpansionState& state,
                                  unsigned depth);

// A whole expansion from a fresh state.
Result<std::vector<std::uint32_t>> expand(const TableSet& tables,
                                          std::span<const std::uint32_t> codes);

}  // namespace mervane
