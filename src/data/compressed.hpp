#pragma once

#include <vector>

#include "bitstream/bit_reader.hpp"
#include "data/decoded_value.hpp"
#include "error/result.hpp"
#include "message/bufr_message.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Decodes a compressed message column by column and returns its values in subset order.
Result<std::vector<DecodedValue>> decode_compressed_values(const BufrMessage& message,
                                                           const TableSet& tables,
                                                           BitReader& reader);

}  // namespace mervane
