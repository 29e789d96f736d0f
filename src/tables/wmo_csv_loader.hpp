#pragma once

#include <filesystem>

#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Table B and Table D from a directory of the WMO's BUFR4 CSV release.
Result<TableSet> from_bufr4_45(const std::filesystem::path& directory);

}  // namespace mervane
