#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mervane {

// One Table B entry.
struct ElementDefinition {
  std::uint32_t code = 0;
  std::string abbreviation;
  std::string element_type;
  std::string name;
  std::string unit;
  std::int32_t scale = 0;
  std::int64_t reference = 0;
  std::uint16_t width = 0;
};

// One Table D entry.
struct SequenceDefinition {
  std::uint32_t code = 0;
  std::vector<std::uint32_t> members;
};

// Raw value -> meaning, for one code or flag table.
using CodeTable = std::unordered_map<std::uint64_t, std::string>;

// The tables a decode needs, keyed by packed descriptor code. Filled once by a loader, then
// only read; adding under an existing code replaces the entry.
struct TableSet {
  std::unordered_map<std::uint32_t, ElementDefinition> elements;
  std::unordered_map<std::uint32_t, SequenceDefinition> sequences;
  std::unordered_map<std::uint32_t, CodeTable> code_tables;

  const ElementDefinition* element(std::uint32_t code) const {
    auto it = elements.find(code);
    return it == elements.end() ? nullptr : &it->second;
  }
  const SequenceDefinition* sequence(std::uint32_t code) const {
    auto it = sequences.find(code);
    return it == sequences.end() ? nullptr : &it->second;
  }
  void add_element(ElementDefinition e) {
    const std::uint32_t code = e.code;
    elements.insert_or_assign(code, std::move(e));
  }
  void add_sequence(SequenceDefinition s) {
    const std::uint32_t code = s.code;
    sequences.insert_or_assign(code, std::move(s));
  }
};

// The meaning stored for `raw` in the code table of `code`, or nullptr.
inline const std::string* code_meaning(const TableSet& set, std::uint32_t code, std::uint64_t raw) {
  auto table = set.code_tables.find(code);
  if (table == set.code_tables.end()) return nullptr;
  auto entry = table->second.find(raw);
  return entry == table->second.end() ? nullptr : &entry->second;
}

}  // namespace mervane
