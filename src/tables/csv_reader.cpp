#include "tables/csv_reader.hpp"

#include <cstring>

#include "error/os_file.hpp"
#include "tables/field_parsers.hpp"

namespace mervane {

CsvReader::CsvReader(std::string_view input, CsvOptions options)
    : input_(input), options_(options) {
  if (options_.skip_bom && input_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  spans_.reserve(16);
}

bool CsvReader::read_record() {
  // A record's position is where reading of it began: just after the previous record, so
  // before any comment or empty lines that precede it.
  record_byte_ = pos_;
  record_line_ = line_;
  spans_.clear();
  scratch_.clear();
  const char sep = options_.separator;
  const std::size_t size = input_.size();
  const char* in = input_.data();
  State state = State::StartRecord;
  Span field{false, 0, 0};

  // Appends input_[pos_] to the field, moving it to the scratch buffer once it stops being
  // one contiguous piece of the input.
  auto take = [&] {
    if (!field.in_scratch && field.end == pos_) {
      field.end = pos_ + 1;
      return;
    }
    if (!field.in_scratch) {
      const std::size_t start = scratch_.size();
      scratch_.append(in + field.begin, field.end - field.begin);
      field = {true, start, scratch_.size()};
    }
    scratch_ += in[pos_];
    field.end = scratch_.size();
  };
  // Steps over one line ending at pos_: LF, CR or CR LF.
  auto skip_line_end = [&] {
    if (in[pos_] == '\r' && pos_ + 1 < size && in[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  };

  while (pos_ < size) {
    const char c = in[pos_];
    switch (state) {
      case State::StartRecord:
        if (c == '\n' || c == '\r') {
          skip_line_end();
        } else if (c == '#' && options_.comments) {
          state = State::Comment;
          ++pos_;
        } else {
          state = State::StartField;
        }
        break;
      case State::Comment:
        if (c == '\n' || c == '\r')
          state = State::StartRecord;
        else
          ++pos_;
        break;
      case State::StartField:
        if (c == '"') {
          ++pos_;
          field = {false, pos_, pos_};
          state = State::InQuoted;
        } else {
          field = {false, pos_, pos_};
          state = State::InField;
        }
        break;
      case State::InField:
        if (c == sep) {
          spans_.push_back(field);
          ++pos_;
          state = State::StartField;
        } else if (c == '\n' || c == '\r') {
          // The whole line ending belongs to this record.
          spans_.push_back(field);
          skip_line_end();
          return true;
        } else if (!field.in_scratch && field.end == pos_) {
          // The common case: a plain field, taken as one run up to its end.
          do {
            ++pos_;
          } while (pos_ < size && in[pos_] != sep && in[pos_] != '\n' && in[pos_] != '\r');
          field.end = pos_;
        } else {
          take();
          ++pos_;
        }
        break;
      case State::InQuoted:
        if (c == '"') {
          state = State::QuoteInQuoted;
        } else {
          if (c == '\n' || (c == '\r' && (pos_ + 1 == size || in[pos_ + 1] != '\n'))) ++line_;
          take();
        }
        ++pos_;
        break;
      case State::QuoteInQuoted:
        if (c == '"') {
          take();
          ++pos_;
          state = State::InQuoted;
        } else {
          // Text after the closing quote joins the field as it stands.
          state = State::InField;
        }
        break;
    }
  }
  if (state == State::StartRecord || state == State::Comment) return false;
  // A separator just before the end of input opens one last, empty field.
  if (state == State::StartField) field = {false, pos_, pos_};
  spans_.push_back(field);
  return true;
}

Result<bool> CsvReader::next(std::vector<std::string_view>& fields) {
  for (;;) {
    if (!read_record()) return false;
    const std::size_t count = spans_.size();
    const bool first = records_ == 0;
    if (first) {
      expected_ = count;
    } else if (count != expected_ && count < options_.count_exempt_from) {
      return count_error(count);
    }
    fields.clear();
    for (const Span& s : spans_) {
      const char* base = s.in_scratch ? scratch_.data() : input_.data();
      fields.emplace_back(base + s.begin, s.end - s.begin);
    }
    if (first && options_.header) {
      ++records_;
      continue;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const std::size_t valid = utf8_valid_up_to(fields[i]);
      if (valid != fields[i].size()) return utf8_error(i, valid);
    }
    ++records_;
    return true;
  }
}

BufrError CsvReader::count_error(std::size_t found) const {
  return BufrError::parse(
      "CSV error: record " + std::to_string(records_) + " (line: " + std::to_string(record_line_) +
      ", byte: " + std::to_string(record_byte_) + "): found record with " + std::to_string(found) +
      " fields, but the previous record has " + std::to_string(expected_) + " fields");
}

BufrError CsvReader::utf8_error(std::size_t field, std::size_t valid_up_to) const {
  const std::string f = std::to_string(field);
  return BufrError::parse("CSV parse error: record " + std::to_string(records_) + " (line " +
                          std::to_string(record_line_) + ", field: " + f +
                          ", byte: " + std::to_string(record_byte_) +
                          "): invalid utf-8: invalid UTF-8 in field " + f + " near byte index " +
                          std::to_string(valid_up_to));
}

Result<std::vector<std::uint8_t>> read_csv_file(const std::filesystem::path& path) {
  auto data = read_file(path);
  if (!data) return BufrError::parse(data.error().detail());
  return std::move(data).value();
}

}  // namespace mervane
