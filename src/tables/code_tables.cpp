#include "tables/code_tables.hpp"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "error/os_file.hpp"
#include "tables/csv_reader.hpp"
#include "tables/field_parsers.hpp"

namespace mervane {
namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

bool ascii_space(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Length of the white space (any Unicode White_Space) starting at text[i], or 0.
std::size_t space_at(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) return ascii_space(b) ? 1 : 0;
  char32_t c = 0;
  const std::size_t n = decode_utf8(text, i, c);
  return n != 0 && is_unicode_space(c) ? n : 0;
}

// The file name without its last extension; a name starting with its only dot keeps it all.
std::string_view stem_of(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return name;
  return name.substr(0, dot);
}

}  // namespace

Result<std::vector<std::filesystem::path>> matching_files(const std::filesystem::path& dir,
                                                          std::string_view prefix,
                                                          std::string_view suffix) {
  std::unique_ptr<DIR, DirCloser> handle(::opendir(dir.c_str()));
  if (!handle) return BufrError::io(errno);
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(handle.get());
    if (entry == nullptr) {
      if (errno != 0) return BufrError::io(errno);
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    // Names that are UTF-8 already are compared as they are, the rest as lossy text.
    const bool valid = utf8_valid_up_to(name) == name.size();
    std::string lossy;
    const std::string_view shown = valid ? name : (lossy = utf8_lossy(name), lossy);
    if (shown.size() >= prefix.size() && shown.size() >= suffix.size() &&
        shown.substr(0, prefix.size()) == prefix &&
        shown.substr(shown.size() - suffix.size()) == suffix) {
      names.emplace_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  std::vector<std::filesystem::path> paths;
  paths.reserve(names.size());
  for (const std::string& name : names)
    paths.push_back(dir / name);
  return paths;
}

Status parse_code_table(std::string_view text, CodeTable& table) {
  table.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  std::size_t pos = 0;
  std::string meaning;
  // Room for any usual meaning, so that growing it frees no small blocks along the way.
  meaning.reserve(256);
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    // The trim also takes the carriage return of a CR LF ending.
    line = trim_space(line);
    if (line.empty() || line.front() == '#') continue;

    // Fields are runs of non-space; the first is the key, the third on is the meaning.
    std::string_view key;
    std::size_t fields = 0;
    meaning.clear();
    const std::size_t size = line.size();
    std::size_t i = 0;
    while (i < size) {
      std::size_t n = space_at(line, i);
      if (n != 0) {
        i += n;
        continue;
      }
      const std::size_t start = i;
      while (i < size) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b < 0x80 ? ascii_space(b) : space_at(line, i) != 0) break;
        ++i;
      }
      const std::string_view word = line.substr(start, i - start);
      if (fields == 0) {
        key = word;
      } else if (fields >= 2) {
        if (fields > 2) meaning += ' ';
        meaning.append(word);
      }
      ++fields;
    }
    if (fields < 3) continue;
    MERVANE_ASSIGN(const std::uint64_t raw, parse_u64(key, "bad code table key"));
    table.insert_or_assign(raw, meaning);
  }
  return Ok{};
}

Status load_eccodes_code_tables(TableSet& set, const std::filesystem::path& dir) {
  MERVANE_ASSIGN(const auto files, matching_files(dir, "", ".table"));
  set.code_tables.reserve(set.code_tables.size() + files.size());
  std::vector<std::uint8_t> buffer;
  for (const std::filesystem::path& file : files) {
    const std::string_view full = file.native();
    const std::string_view name = full.substr(full.rfind('/') + 1);
    const std::string_view stem = stem_of(name);
    if (utf8_valid_up_to(stem) != stem.size()) continue;
    MERVANE_ASSIGN(const std::uint32_t code, parse_code(stem));
    MERVANE_ASSIGN(const std::size_t size, read_file_into(file, buffer));
    const std::string_view text(reinterpret_cast<const char*>(buffer.data()), size);
    if (utf8_valid_up_to(text) != text.size()) {
      return BufrError::io_fixed("stream did not contain valid UTF-8");
    }
    CodeTable table;
    MERVANE_TRY(parse_code_table(text, table));
    set.code_tables.insert_or_assign(code, std::move(table));
  }
  return Ok{};
}

}  // namespace mervane
