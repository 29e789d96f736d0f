#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "data/decoded_value.hpp"
#include "error/result.hpp"
#include "message/bufr_message.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Decodes the section 4 data octets of `message` (compressed or not) into one flat list of
// values, subset after subset.
Result<std::vector<DecodedValue>> decode_uncompressed_values(const BufrMessage& message,
                                                             const TableSet& tables,
                                                             std::span<const std::uint8_t> data);

// The replication count for a factor's number: truncated, 0 when absent or negative,
// saturated at the top of the 64-bit range.
std::uint64_t replication_count(std::optional<double> number);

}  // namespace mervane
