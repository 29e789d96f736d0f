#include "tables/eccodes_loader.hpp"

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <vector>

#include "error/os_file.hpp"
#include "tables/code_tables.hpp"
#include "tables/csv_reader.hpp"
#include "tables/field_parsers.hpp"

namespace mervane {
namespace {

namespace fs = std::filesystem;

// Exists as the file system reports it, following symbolic links.
bool present(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string shown(const fs::path& path) {
  return utf8_lossy(path.native());
}

std::string_view as_text(const std::vector<std::uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string_view strip_quotes(std::string_view s) {
  while (!s.empty() && s.front() == '"')
    s.remove_prefix(1);
  while (!s.empty() && s.back() == '"')
    s.remove_suffix(1);
  return s;
}

// One gathered sequence.def entry: `"code" = [ member, ... ]`.
Status add_sequence_entry(TableSet& set, std::string_view entry) {
  const std::size_t eq = entry.find('=');
  if (eq == std::string_view::npos) return Ok{};
  SequenceDefinition seq;
  MERVANE_ASSIGN(seq.code, parse_code(strip_quotes(trim_space(entry.substr(0, eq)))));
  const std::string_view rest = entry.substr(eq + 1);
  const std::size_t open = rest.find('[');
  const std::size_t close = rest.find(']');
  // A "]" before the "[" leaves no member list, as a missing bracket does.
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
    return BufrError::parse(std::string(entry));
  }
  std::string_view list = rest.substr(open + 1, close - open - 1);
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view piece = trim_space(list.substr(0, comma));
    if (!piece.empty()) {
      MERVANE_ASSIGN(const std::uint32_t member, parse_code(piece));
      seq.members.push_back(member);
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  set.add_sequence(std::move(seq));
  return Ok{};
}

// element.table, sequence.def and, if present, codetables of one directory.
Status load_table_dir(TableSet& set, const fs::path& dir) {
  MERVANE_TRY(load_eccodes_element_table(set, dir / "element.table"));
  MERVANE_TRY(load_eccodes_sequence_def(set, dir / "sequence.def"));
  const fs::path codetables = dir / "codetables";
  if (present(codetables)) MERVANE_TRY(load_eccodes_code_tables(set, codetables));
  return Ok{};
}

}  // namespace

Status load_eccodes_element_table(TableSet& set, const fs::path& file) {
  MERVANE_ASSIGN(const auto bytes, read_csv_file(file));
  const std::string_view text = as_text(bytes);
  CsvOptions options;
  options.separator = '|';
  options.comments = true;
  // Only the first 8 fields are used, so wider lines (ecCodes' own local tables mix 8 and 11
  // fields) are read whatever the first line's count.
  options.count_exempt_from = 8;
  CsvReader reader(text, options);
  set.elements.reserve(set.elements.size() + text.size() / 64);
  std::vector<std::string_view> f;
  f.reserve(16);
  for (;;) {
    MERVANE_ASSIGN(const bool more, reader.next(f));
    if (!more) break;
    if (f.size() < 8) continue;
    ElementDefinition e;
    MERVANE_ASSIGN(e.code, parse_code(f[0]));
    e.abbreviation.assign(f[1]);
    e.element_type.assign(f[2]);
    e.name.assign(f[3]);
    e.unit.assign(f[4]);
    MERVANE_ASSIGN(e.scale, parse_i32(f[5]));
    MERVANE_ASSIGN(e.reference, parse_i64(f[6]));
    // ecCodes' own local tables end some 8-field lines with a space ("...|0|0|3 "); white
    // space at the end of a line is not part of the width.
    std::string_view width = f[7];
    if (f.size() == 8) {
      while (!width.empty() && (width.back() == ' ' || width.back() == '\t')) {
        width.remove_suffix(1);
      }
    }
    MERVANE_ASSIGN(e.width, parse_u16(width));
    set.add_element(std::move(e));
  }
  return Ok{};
}

Status load_eccodes_sequence_def(TableSet& set, const fs::path& file) {
  MERVANE_ASSIGN(const auto bytes, read_file(file));
  const std::string_view text = as_text(bytes);
  if (utf8_valid_up_to(text) != text.size()) {
    return BufrError::io_fixed("stream did not contain valid UTF-8");
  }
  set.sequences.reserve(set.sequences.size() + text.size() / 64);
  std::string gathered;
  bool gathering = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim_space(line);
    if (line.empty() || line.front() == '#') continue;
    const bool complete = line.find(']') != std::string_view::npos;
    if (!gathering) {
      if (complete) {
        MERVANE_TRY(add_sequence_entry(set, line));
      } else {
        gathered.assign(line);
        gathering = true;
      }
      continue;
    }
    gathered += ' ';
    gathered.append(line);
    if (complete) {
      MERVANE_TRY(add_sequence_entry(set, gathered));
      gathering = false;
    }
  }
  // An entry still open at the end is dropped.
  return Ok{};
}

Result<fs::path> resolve_eccodes_table_dir(const fs::path& path) {
  fs::path current = path;
  std::vector<fs::path> visited;
  for (;;) {
    struct stat st {};
    const bool found = ::stat(current.c_str(), &st) == 0;
    if (found && S_ISDIR(st.st_mode)) return current;
    if (!found || !S_ISREG(st.st_mode)) {
      return BufrError::parse("ecCodes table directory does not exist: " + shown(current));
    }
    MERVANE_ASSIGN(const std::string content, read_text_file(current));
    const std::string_view target = trim_space(content);
    // A NUL cannot be part of a file name either: the OS would see a shorter name.
    if (target.empty() ||
        target.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) {
      return BufrError::parse("invalid ecCodes table alias " + shown(current) + " -> " +
                              debug_quote(target));
    }
    visited.push_back(current);
    fs::path next = current.parent_path() / fs::path(std::string(target));
    for (const fs::path& seen : visited) {
      if (seen == next) {
        return BufrError::parse("invalid ecCodes table alias " + shown(current) + " -> " +
                                debug_quote(target) + ": the aliases form a loop");
      }
    }
    current = std::move(next);
  }
}

Result<TableSet> from_eccodes_dir(const fs::path& dir) {
  TableSet set;
  MERVANE_TRY(load_table_dir(set, dir));
  return set;
}

Result<TableSet> from_eccodes_definitions(const fs::path& root, const BufrMessage& message) {
  const fs::path tables = root / "bufr" / "tables" / std::to_string(message.master_table_number);
  const unsigned version = message.master_tables_version_number;
  MERVANE_ASSIGN(const fs::path master,
                 resolve_eccodes_table_dir(tables / "wmo" / std::to_string(version)));
  TableSet set;
  MERVANE_TRY(load_table_dir(set, master));
  const unsigned local_version = message.local_tables_version_number;
  if (local_version == 0) return set;

  const std::string local_name = (version == 19 ? "19-" : "") + std::to_string(local_version);
  const fs::path local = tables / "local" / local_name /
                         std::to_string(message.originating_centre) /
                         std::to_string(message.originating_subcentre);
  if (!present(local)) return set;
  if (const fs::path file = local / "element.table"; present(file)) {
    MERVANE_TRY(load_eccodes_element_table(set, file));
  }
  if (const fs::path file = local / "sequence.def"; present(file)) {
    MERVANE_TRY(load_eccodes_sequence_def(set, file));
  }
  if (const fs::path dir = local / "codetables"; present(dir)) {
    MERVANE_TRY(load_eccodes_code_tables(set, dir));
  }
  return set;
}

}  // namespace mervane
