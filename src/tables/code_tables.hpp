#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "error/result.hpp"
#include "tables/table_set.hpp"

namespace mervane {

// The entries of `dir` whose names (read as lossy UTF-8) start with `prefix` and end with
// `suffix`, joined to `dir` and sorted by name bytes. A listing failure is an Io error.
Result<std::vector<std::filesystem::path>> matching_files(const std::filesystem::path& dir,
                                                          std::string_view prefix,
                                                          std::string_view suffix);

// Reads every "<code>.table" file of a codetables directory into `set`; a file replaces any
// table the set already holds for its code.
Status load_eccodes_code_tables(TableSet& set, const std::filesystem::path& dir);

// Fills `table` from one code-table file's text: "<raw> <ignored> <meaning words...>" lines.
Status parse_code_table(std::string_view text, CodeTable& table);

}  // namespace mervane
