#include "data/compressed.hpp"

#include <cmath>
#include <optional>
#include <span>

#include "data/coding_state.hpp"
#include "data/element_reader.hpp"
#include "data/uncompressed.hpp"
#include "data/walk.hpp"
#include "data/walk_budget.hpp"

namespace mervane {
namespace {

// Largest spread a delayed replication factor may have across subsets.
constexpr double kFactorTolerance = 2.220446049250313e-16;

// The columns of one message, each of exactly N values, one per subset.
class CompressedWalk : public DescriptorWalk<CompressedWalk> {
 public:
  static constexpr const char* kDepthText = "compressed descriptor decode exceeded recursion depth";

  CompressedWalk(const TableSet& tables, BitReader& reader, std::uint16_t subsets,
                 WalkBudget& budget)
      : DescriptorWalk(tables), reader_(reader), subsets_(subsets), budget_(budget) {}

  // The values in subset order: subset 1's part of every column, then subset 2's, ...
  std::vector<DecodedValue> flatten() {
    std::vector<DecodedValue> out;
    out.reserve(columns_.size() * subsets_);
    for (std::size_t k = 0; k < subsets_; ++k) {
      for (std::vector<DecodedValue>& column : columns_)
        out.push_back(std::move(column[k]));
    }
    return out;
  }

 private:
  friend class DescriptorWalk<CompressedWalk>;

  struct Column {
    std::size_t index;
    bool character;
  };

  // A new empty column with room for its N values, which are then built in place one by one
  // rather than defaulted first and overwritten (a column can run to megabytes).
  std::vector<DecodedValue>& new_column() {
    std::vector<DecodedValue>& column = columns_.emplace_back();
    column.reserve(subsets_);
    return column;
  }

  // The code table of `code`, looked up once per column rather than once per value.
  const CodeTable* code_table(std::uint32_t code) const {
    const auto it = tables_.code_tables.find(code);
    return it == tables_.code_tables.end() ? nullptr : &it->second;
  }

  Status step() { return budget_.step(columns_.size() * subsets_); }

  Status element(std::uint32_t code) {
    if (state_.associated_width != 0 && !is_class31(code)) {
      MERVANE_TRY(numeric_column(kAssociatedFieldCode, associated_name_, state_.associated_width, 0,
                                 0, false, nullptr));
    }
    const ElementDefinition* d = tables_.element(code);
    if (d == nullptr) return BufrError::element_not_found(code);
    MERVANE_ASSIGN(const Column column, element_column(*d));
    if (code == kDataPresentIndicator && state_.bitmap_recording) {
      state_.record_bitmap_entry(first_number(column).value_or(0.0));
    } else {
      state_.history.push_back(d);
    }
    state_.local_width.reset();
    return Ok{};
  }

  // Reads a delayed replication factor column, which must give every subset one count.
  Result<std::uint64_t> factor(const ElementDefinition& d) {
    MERVANE_ASSIGN(const Column column, element_column(d));
    std::uint64_t count = 0;
    if (const std::optional<double> q = first_number(column)) {
      for (std::size_t k = 0; k < subsets_; ++k) {
        const std::optional<double>& v = columns_[column.index][k].raw_value;
        if (!v || !(std::fabs(*v - *q) <= kFactorTolerance)) {
          return BufrError::parse(
              "compressed delayed replication with varying factors is not implemented");
        }
      }
      count = replication_count(q);
    }
    state_.history.push_back(&d);
    return count;
  }

  Status marker(std::uint32_t code) {
    std::vector<DecodedValue>& column = new_column();
    for (std::size_t k = 0; k < subsets_; ++k)
      column.push_back(operator_marker(code));
    return Ok{};
  }

  Status bitmapped(const ElementDefinition& d) {
    MERVANE_TRY(element_column(d));
    return Ok{};
  }

  // The number of the column's first value; character values have none.
  std::optional<double> first_number(const Column& column) const {
    if (column.character || subsets_ == 0) return std::nullopt;
    return columns_[column.index].front().raw_value;
  }

  Result<Column> element_column(const ElementDefinition& d) {
    const Column column{columns_.size(), is_character(d)};
    if (column.character) {
      MERVANE_TRY(character_column(d));
      return column;
    }
    const NumericCoding coding = numeric_coding(d, state_);
    MERVANE_TRY(numeric_column(d.code, d.name, coding.width, coding.reference, coding.scale,
                               !is_class31(d.code), code_table(d.code)));
    return column;
  }

  Status character_column(const ElementDefinition& d) {
    const std::uint16_t width = character_width(d, state_);
    std::string reference((width + 7u) / 8, '\0');
    MERVANE_TRY(reader_.read_bytes_into(width, reinterpret_cast<std::uint8_t*>(reference.data())));
    MERVANE_ASSIGN(const std::uint64_t nbinc, reader_.read_u64(6));
    const std::uint64_t c = state_.text_column_counter++;
    const bool shared_present = nbinc == 0 && decode_ia5_text(reference);
    std::vector<DecodedValue>& values = new_column();
    for (std::size_t k = 0; k < subsets_; ++k) {
      DecodedValue& v = values.emplace_back();
      v.descriptor = d.code;
      v.name = d.name;
      v.raw_value = static_cast<double>(c * subsets_ + k + 1) * 1000.0 + (width / 8);
      if (nbinc == 0) {
        if (shared_present) v.raw_text = reference;
      } else {
        std::string text(nbinc, '\0');
        MERVANE_TRY(reader_.read_bytes_into(static_cast<std::uint16_t>(8 * nbinc),
                                            reinterpret_cast<std::uint8_t*>(text.data())));
        if (decode_ia5_text(text)) v.raw_text = std::move(text);
      }
    }
    return Ok{};
  }

  // `meanings` is the element's code table, or null when it has none.
  Status numeric_column(std::uint32_t code, const std::string& name, std::uint32_t width,
                        std::int64_t reference, std::int64_t scale, bool missing_rule,
                        const CodeTable* meanings) {
    MERVANE_ASSIGN(const std::uint64_t r0, reader_.read_u64(width));
    MERVANE_ASSIGN(const std::uint64_t nbinc, reader_.read_u64(6));
    const bool r0_missing = missing_rule && is_all_ones(r0, width);
    std::vector<DecodedValue>& values = new_column();
    if (subsets_ == 0) return Ok{};
    const double divisor = scale_divisor(scale);
    std::optional<double> shared;
    if (nbinc == 0 && !r0_missing) shared = scaled_value(reference, r0, divisor);
    const std::uint64_t increment_missing = all_ones(static_cast<std::uint32_t>(nbinc));
    for (std::size_t k = 0; k < subsets_; ++k) {
      DecodedValue& v = values.emplace_back();
      v.descriptor = code;
      v.name = name;
      v.raw = r0;
      if (nbinc == 0) {
        v.raw_value = shared;
      } else {
        MERVANE_ASSIGN(const std::uint64_t increment,
                       reader_.read_u64(static_cast<std::uint32_t>(nbinc)));
        if (!r0_missing && !(missing_rule && increment == increment_missing)) {
          v.raw = r0 + increment;
          v.raw_value = scaled_value(reference, *v.raw, divisor);
        }
      }
      if (meanings != nullptr) {
        // A value missing through its increment shows the meaning of a missing value, as the
        // same value in an uncompressed message would, though its raw stays R0.
        const auto entry = meanings->find(v.raw_value ? *v.raw : all_ones(width));
        if (entry != meanings->end()) v.raw_meaning = entry->second;
      }
    }
    return Ok{};
  }

  BitReader& reader_;
  const std::size_t subsets_;
  WalkBudget& budget_;
  std::vector<std::vector<DecodedValue>> columns_;
  const std::string associated_name_ = "associatedField";
};

}  // namespace

Result<std::vector<DecodedValue>> decode_compressed_values(const BufrMessage& message,
                                                           const TableSet& tables,
                                                           BitReader& reader) {
  WalkBudget budget = WalkBudget::compressed(reader.bits_available(), message.number_of_subsets);
  CompressedWalk walk(tables, reader, message.number_of_subsets, budget);
  MERVANE_TRY(walk.walk(message.unexpanded_descriptors, 0));
  return walk.flatten();
}

}  // namespace mervane
