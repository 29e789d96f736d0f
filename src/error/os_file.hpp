#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "error/result.hpp"

namespace mervane {

// Reads a whole file; an OS failure is an Io error carrying its error number.
Result<std::vector<std::uint8_t>> read_file(const std::filesystem::path& path);

// The same into a buffer reused across files (it only grows); returns the byte count.
Result<std::size_t> read_file_into(const std::filesystem::path& path,
                                   std::vector<std::uint8_t>& buffer);

// Reads a whole file as UTF-8 text; text that is not UTF-8 is an Io error with a fixed
// description.
Result<std::string> read_text_file(const std::filesystem::path& path);

// A path given as text; a NUL inside cannot name a file.
Result<std::filesystem::path> path_from_text(std::string_view text);

}  // namespace mervane
