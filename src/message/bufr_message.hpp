#pragma once

#include <cstdint>
#include <vector>

#include "error/result.hpp"
#include "message/framing.hpp"

namespace mervane {

// One parsed message: values only, no reference to the bytes it came from.
struct BufrMessage {
  std::uint64_t total_length = 0;
  std::uint8_t edition = 4;
  std::uint64_t section1_length = 0;
  std::uint8_t master_table_number = 0;
  std::uint16_t originating_centre = 0;
  std::uint16_t originating_subcentre = 0;
  std::uint8_t update_sequence_number = 0;
  bool local_section_present = false;
  std::uint8_t data_category = 0;
  std::uint8_t international_data_subcategory = 0;
  std::uint8_t local_data_subcategory = 0;
  std::uint8_t master_tables_version_number = 0;
  std::uint8_t local_tables_version_number = 0;
  std::uint16_t typical_year = 0;
  std::uint8_t typical_month = 0;
  std::uint8_t typical_day = 0;
  std::uint8_t typical_hour = 0;
  std::uint8_t typical_minute = 0;
  std::uint8_t typical_second = 0;
  std::uint64_t section2_length = 0;
  std::uint64_t section3_length = 0;
  std::uint16_t number_of_subsets = 0;
  bool observed_data = false;
  bool compressed_data = false;
  std::vector<std::uint32_t> unexpanded_descriptors;
  std::uint64_t section4_length = 0;
  std::uint64_t section4_data_offset = 0;
  std::uint64_t section4_data_length = 0;
};

// Parses exactly one edition 4 message; touches only headers and the descriptor list.
Result<BufrMessage> parse_message(Bytes message);

}  // namespace mervane
