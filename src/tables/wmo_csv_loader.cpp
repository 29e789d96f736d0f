#include "tables/wmo_csv_loader.hpp"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "tables/code_tables.hpp"
#include "tables/csv_reader.hpp"
#include "tables/field_parsers.hpp"

namespace mervane {
namespace {

constexpr CsvOptions kWmoDialect{
    .separator = ',', .comments = false, .header = true, .skip_bom = true};

std::string element_type_for(std::string_view unit) {
  if (unit == "CCITT IA5") return "string";
  if (unit == "Code table") return "code";
  if (unit == "Flag table") return "flags";
  return "long";
}

Status load_table_b(TableSet& set, const std::filesystem::path& file) {
  MERVANE_ASSIGN(const auto bytes, read_csv_file(file));
  CsvReader reader({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, kWmoDialect);
  std::vector<std::string_view> f;
  for (;;) {
    MERVANE_ASSIGN(const bool more, reader.next(f));
    if (!more) return Ok{};
    if (f.size() < 8) continue;
    ElementDefinition e;
    MERVANE_ASSIGN(e.code, parse_code(f[2]));
    e.element_type = element_type_for(f[4]);
    e.name = f[3];
    e.unit = f[4];
    MERVANE_ASSIGN(e.scale, parse_i32(f[5]));
    MERVANE_ASSIGN(e.reference, parse_i64(f[6]));
    MERVANE_ASSIGN(e.width, parse_u16(f[7]));
    set.add_element(std::move(e));
  }
}

// A file's records are grouped on their own, so the file read last defines a sequence whole.
Status load_table_d(TableSet& set, const std::filesystem::path& file) {
  MERVANE_ASSIGN(const auto bytes, read_csv_file(file));
  CsvReader reader({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, kWmoDialect);
  std::vector<std::string_view> f;
  std::vector<std::uint32_t> order;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> members;
  for (;;) {
    MERVANE_ASSIGN(const bool more, reader.next(f));
    if (!more) break;
    if (f.size() < 6) continue;
    MERVANE_ASSIGN(const std::uint32_t code, parse_code(f[2]));
    MERVANE_ASSIGN(const std::uint32_t member, parse_code(f[5]));
    auto [it, added] = members.try_emplace(code);
    if (added) order.push_back(code);
    it->second.push_back(member);
  }
  for (std::uint32_t code : order)
    set.add_sequence({code, std::move(members[code])});
  return Ok{};
}

}  // namespace

Result<TableSet> from_bufr4_45(const std::filesystem::path& directory) {
  TableSet set;
  MERVANE_ASSIGN(const auto b_files, matching_files(directory, "BUFRCREX_TableB_en_", ".csv"));
  for (const auto& file : b_files)
    MERVANE_TRY(load_table_b(set, file));
  MERVANE_ASSIGN(const auto d_files, matching_files(directory, "BUFR_TableD_en_", ".csv"));
  for (const auto& file : d_files)
    MERVANE_TRY(load_table_d(set, file));
  return set;
}

}  // namespace mervane
