#include "message/framing.hpp"

#include <algorithm>
#include <array>

namespace mervane {

Result<std::uint64_t> read_section_length(Bytes message, std::uint64_t offset,
                                          std::uint8_t section) {
  if (offset > message.size() || message.size() - offset < 3) {
    return BufrError::section_truncated(offset, section);
  }
  const std::uint8_t* p = message.data() + offset;
  return (std::uint64_t{p[0]} << 16) | (std::uint64_t{p[1]} << 8) | std::uint64_t{p[2]};
}

Result<std::uint16_t> read_u16(Bytes message, std::uint64_t offset) {
  if (offset > message.size() || message.size() - offset < 2) {
    return BufrError::section_truncated(offset, 0);
  }
  const std::uint8_t* p = message.data() + offset;
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

Result<std::vector<Bytes>> split_messages(Bytes data) {
  static constexpr std::array<std::uint8_t, 4> kMarker{'B', 'U', 'F', 'R'};
  std::vector<Bytes> messages;
  const std::uint64_t n = data.size();
  std::uint64_t p = 0;
  while (n - p >= 4) {
    auto found = std::search(data.begin() + static_cast<std::ptrdiff_t>(p), data.end(),
                             kMarker.begin(), kMarker.end());
    if (found == data.end()) break;
    const auto e = static_cast<std::uint64_t>(found - data.begin());
    if (e + 8 > n) return BufrError::too_short();
    const std::uint64_t length = (std::uint64_t{data[e + 4]} << 16) |
                                 (std::uint64_t{data[e + 5]} << 8) | std::uint64_t{data[e + 6]};
    if (e + length > n) return BufrError::section_truncated(e, 0);
    // No message is shorter than its own section 0; a smaller length would also stall the scan.
    if (length < 8) return BufrError::too_short();
    messages.push_back(data.subspan(e, length));
    p = e + length;
  }
  return messages;
}

}  // namespace mervane
