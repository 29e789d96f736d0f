#pragma once

#include <filesystem>

#include "error/result.hpp"
#include "message/bufr_message.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// Table B from an "element.table" ("|"-separated, "#" comments) into `set`.
Status load_eccodes_element_table(TableSet& set, const std::filesystem::path& file);

// Table D from a "sequence.def" ("\"301001\" = [ 001001, 001002 ]" entries) into `set`.
Status load_eccodes_sequence_def(TableSet& set, const std::filesystem::path& file);

// The table directory `path` stands for, following alias files that name a sibling entry.
Result<std::filesystem::path> resolve_eccodes_table_dir(const std::filesystem::path& path);

// The tables of one directory: element.table, sequence.def and, if present, codetables.
Result<TableSet> from_eccodes_dir(const std::filesystem::path& dir);

// The master tables a message names under a definitions root, then its centre's local tables.
Result<TableSet> from_eccodes_definitions(const std::filesystem::path& root,
                                          const BufrMessage& message);

}  // namespace mervane
