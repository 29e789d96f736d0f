#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "error/result.hpp"

namespace mervane {

// Reads section 4 most significant bit first. Only moves forward; a failed read_u64 leaves
// the position where it was.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> buffer) : buffer_(buffer) {}

  // The next `width` bits (at most 64) as an unsigned integer, first bit most significant.
  // The width is wider than a table width so that an adjusted width is reported as it is.
  Result<std::uint64_t> read_u64(std::uint32_t width);

  // The next `width` bits as ceil(width / 8) bytes, the last one left-aligned.
  Result<std::vector<std::uint8_t>> read_bytes(std::uint16_t width);

  // read_bytes into `out`, which has room for ceil(width / 8) bytes.
  Status read_bytes_into(std::uint16_t width, std::uint8_t* out);

  std::uint64_t position() const { return position_; }
  std::uint64_t bits_available() const { return 8 * std::uint64_t{buffer_.size()}; }

 private:
  // `width` (1 to 64) bits from `position_`, known to be inside the buffer.
  std::uint64_t peek(std::uint32_t width) const;
  BufrError not_enough_bits(std::uint64_t width) const;

  std::span<const std::uint8_t> buffer_;
  std::uint64_t position_ = 0;
};

}  // namespace mervane
