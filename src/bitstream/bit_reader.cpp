#include "bitstream/bit_reader.hpp"

#include <cstring>
#include <string>

namespace mervane {

BufrError BitReader::not_enough_bits(std::uint64_t width) const {
  return BufrError::parse("not enough bits while reading section 4 at bit " +
                          std::to_string(position_) + " for width " + std::to_string(width) + " (" +
                          std::to_string(bits_available()) + " bits available)");
}

std::uint64_t BitReader::peek(std::uint32_t width) const {
  const std::uint8_t* data = buffer_.data();
  const std::size_t size = buffer_.size();
  const std::size_t byte = static_cast<std::size_t>(position_ >> 3);
  const unsigned offset = static_cast<unsigned>(position_ & 7);
  // A 64-bit big-endian window starting at the current byte, zero past the end.
  std::uint64_t window = 0;
  if (size - byte >= 8) {
    std::memcpy(&window, data + byte, 8);
    window = __builtin_bswap64(window);
  } else {
    for (std::size_t i = 0; byte + i < size; ++i) {
      window |= std::uint64_t{data[byte + i]} << (56 - 8 * i);
    }
  }
  std::uint64_t bits = window << offset;
  // The window holds 64 - offset bits; the rest of the value comes from the ninth byte.
  if (offset + width > 64) bits |= std::uint64_t{data[byte + 8]} >> (8 - offset);
  return bits >> (64 - width);
}

Result<std::uint64_t> BitReader::read_u64(std::uint32_t width) {
  if (width == 0) return std::uint64_t{0};
  if (width > 64) {
    return BufrError::parse("cannot read " + std::to_string(width) + " bits into u64");
  }
  if (width > bits_available() - position_) return not_enough_bits(width);
  const std::uint64_t value = peek(width);
  position_ += width;
  return value;
}

Status BitReader::read_bytes_into(std::uint16_t width, std::uint8_t* out) {
  const std::size_t whole = width / 8;
  const std::uint64_t fit = (bits_available() - position_) / 8;
  if (whole > fit) {
    // The whole bytes that fit are read (and dropped) before the failure.
    position_ += 8 * fit;
    return not_enough_bits(8);
  }
  if ((position_ & 7) == 0) {
    std::memcpy(out, buffer_.data() + (position_ >> 3), whole);
    position_ += 8 * whole;
  } else {
    for (std::size_t i = 0; i < whole; ++i) {
      out[i] = static_cast<std::uint8_t>(peek(8));
      position_ += 8;
    }
  }
  if (const unsigned rest = width % 8; rest != 0) {
    MERVANE_ASSIGN(const std::uint64_t last, read_u64(rest));
    out[whole] = static_cast<std::uint8_t>(last << (8 - rest));
  }
  return Ok{};
}

Result<std::vector<std::uint8_t>> BitReader::read_bytes(std::uint16_t width) {
  std::vector<std::uint8_t> bytes((width + 7u) / 8);
  MERVANE_TRY(read_bytes_into(width, bytes.data()));
  return bytes;
}

}  // namespace mervane
