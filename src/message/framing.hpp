#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "error/result.hpp"

namespace mervane {

using Bytes = std::span<const std::uint8_t>;

// The 24-bit big-endian section length at `offset`; SectionTruncated(offset, section) if it
// does not fit.
Result<std::uint64_t> read_section_length(Bytes message, std::uint64_t offset,
                                          std::uint8_t section);

// The 16-bit big-endian value at `offset`; SectionTruncated(offset, 0) if it does not fit.
Result<std::uint16_t> read_u16(Bytes message, std::uint64_t offset);

// Views of the messages found in `data`, in order; bytes outside messages are skipped.
Result<std::vector<Bytes>> split_messages(Bytes data);

}  // namespace mervane
