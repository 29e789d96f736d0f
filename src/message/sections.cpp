#include "message/bufr_message.hpp"

#include <cstring>

namespace mervane {
namespace {

// A one-byte header field; like the two-byte reads, a field past the end is reported as
// section 0 at the field's offset.
Result<std::uint8_t> read_u8(Bytes message, std::uint64_t offset) {
  if (offset >= message.size()) return BufrError::section_truncated(offset, 0);
  return message[offset];
}

}  // namespace

Result<BufrMessage> parse_message(Bytes message) {
  const std::uint64_t n = message.size();
  if (n < 8) return BufrError::too_short();
  if (std::memcmp(message.data(), "BUFR", 4) != 0) return BufrError::missing_marker();
  if (message[7] != 4) return BufrError::unsupported_edition(message[7]);
  MERVANE_ASSIGN(const std::uint64_t declared, read_section_length(message, 4, 0));
  if (declared != n) return BufrError::length_mismatch(declared, n);

  BufrMessage m;
  m.total_length = declared;
  MERVANE_ASSIGN(m.section1_length, read_section_length(message, 8, 1));
  if (8 + m.section1_length > n) return BufrError::section_truncated(8, 1);

  MERVANE_ASSIGN(const std::uint8_t optional_flag, read_u8(message, 17));
  MERVANE_ASSIGN(m.typical_year, read_u16(message, 23));
  m.local_section_present = optional_flag != 0;

  const std::uint64_t s1 = 8 + m.section1_length;
  if (m.local_section_present) {
    MERVANE_ASSIGN(m.section2_length, read_section_length(message, s1, 2));
    if (s1 + m.section2_length > n) return BufrError::section_truncated(s1, 2);
  }

  const std::uint64_t s3 = s1 + m.section2_length;
  MERVANE_ASSIGN(m.section3_length, read_section_length(message, s3, 3));
  if (s3 + m.section3_length > n || m.section3_length < 7) {
    return BufrError::section_truncated(s3, 3);
  }
  MERVANE_ASSIGN(m.number_of_subsets, read_u16(message, s3 + 4));
  // Many edition 4 encoders still pad section 3 to an even length, so a last odd octet of
  // the descriptor area is padding, not an error.
  const std::uint8_t flags = message[s3 + 6];
  m.observed_data = (flags & 0x80) != 0;
  m.compressed_data = (flags & 0x40) != 0;
  const std::uint64_t count = (m.section3_length - 7) / 2;
  m.unexpanded_descriptors.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* p = message.data() + s3 + 7 + 2 * i;
    const unsigned d = (unsigned{p[0]} << 8) | p[1];
    m.unexpanded_descriptors.push_back((d >> 14) * 100000 + ((d >> 8) & 0x3F) * 1000 + (d & 0xFF));
  }

  const std::uint64_t s4 = s3 + m.section3_length;
  MERVANE_ASSIGN(m.section4_length, read_section_length(message, s4, 4));
  if (s4 + m.section4_length > n) return BufrError::section_truncated(s4, 4);
  m.section4_data_offset = s4 + 4;
  m.section4_data_length = m.section4_length >= 4 ? m.section4_length - 4 : 0;

  const std::uint64_t s5 = s4 + m.section4_length;
  if (s5 + 4 > n) return BufrError::section_truncated(s5, 5);
  if (std::memcmp(message.data() + s5, "7777", 4) != 0) return BufrError::bad_terminator();

  MERVANE_ASSIGN(m.master_table_number, read_u8(message, 11));
  MERVANE_ASSIGN(m.originating_centre, read_u16(message, 12));
  MERVANE_ASSIGN(m.originating_subcentre, read_u16(message, 14));
  MERVANE_ASSIGN(m.update_sequence_number, read_u8(message, 16));
  MERVANE_ASSIGN(m.data_category, read_u8(message, 18));
  MERVANE_ASSIGN(m.international_data_subcategory, read_u8(message, 19));
  MERVANE_ASSIGN(m.local_data_subcategory, read_u8(message, 20));
  MERVANE_ASSIGN(m.master_tables_version_number, read_u8(message, 21));
  MERVANE_ASSIGN(m.local_tables_version_number, read_u8(message, 22));
  MERVANE_ASSIGN(m.typical_month, read_u8(message, 25));
  MERVANE_ASSIGN(m.typical_day, read_u8(message, 26));
  MERVANE_ASSIGN(m.typical_hour, read_u8(message, 27));
  MERVANE_ASSIGN(m.typical_minute, read_u8(message, 28));
  MERVANE_ASSIGN(m.typical_second, read_u8(message, 29));
  return m;
}

}  // namespace mervane
