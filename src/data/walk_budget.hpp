#pragma once

#include <cstdint>
#include <string>

#include "error/result.hpp"

namespace mervane {

// Bounds that keep a descriptor list from making a walk run or grow without end (a group that
// reads nothing replicated 2^64 times, fixed replications nested ten deep). Both scale with
// the bits of section 4, far above anything a real message needs. A step is one descriptor
// visited or one repetition begun. Every value of an uncompressed message but a marker costs
// bits; every column of a compressed one but a marker costs at least 6 bits (its NBINC).
class WalkBudget {
 public:
  static constexpr std::uint64_t kFloor = std::uint64_t{1} << 20;
  static constexpr std::uint64_t kStepsPerBit = 16;
  static constexpr std::uint64_t kValuesPerBit = 2;
  static constexpr std::uint64_t kBitsPerColumn = 4;

  static WalkBudget uncompressed(std::uint64_t section4_bits) {
    return WalkBudget(section4_bits, kFloor + kValuesPerBit * section4_bits, "descriptor decode");
  }
  static WalkBudget compressed(std::uint64_t section4_bits, std::uint64_t subsets) {
    return WalkBudget(section4_bits, kFloor + subsets * (section4_bits / kBitsPerColumn),
                      "compressed descriptor decode");
  }

  // Called once per step with the number of values made so far; each step adds a few columns
  // at most, so checking here bounds the output too.
  Status step(std::uint64_t values_so_far) {
    if (steps_left_ == 0) return BufrError::parse(std::string(walk_) + " exceeded step limit");
    --steps_left_;
    if (values_so_far > max_values_) {
      return BufrError::parse(std::string(walk_) + " exceeded value limit");
    }
    return Ok{};
  }

 private:
  std::uint64_t steps_left_;
  std::uint64_t max_values_;
  const char* walk_;

  WalkBudget(std::uint64_t section4_bits, std::uint64_t max_values, const char* walk)
      : steps_left_(kFloor + kStepsPerBit * section4_bits), max_values_(max_values), walk_(walk) {}
};

}  // namespace mervane
