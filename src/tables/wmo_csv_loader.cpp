#include "tables/wmo_csv_loader.hpp"

namespace mervane {

Result<TableSet> from_bufr4_45(const std::filesystem::path&) {
  return BufrError::parse("the WMO CSV table loader is not built yet");
}

}  // namespace mervane
