#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "error/result.hpp"

namespace mervane {

// Usage: read the file with read_csv_file, make a CsvReader over its bytes with the dialect's
// options, then call next(fields) until it yields false. Every failure is a Parse error whose
// text is the reader's own ("CSV error: record R (line: N, byte: B): ..." and so on), where R
// counts the records before the failing one (a dropped header included) and N, B give where
// reading of it began: just after the previous record, so before any skipped lines.
struct CsvOptions {
  char separator = ',';
  bool comments = false;  // a line starting with '#' is skipped (and not UTF-8 checked)
  bool header = false;    // the first record is read and dropped without being examined
  bool skip_bom = false;  // a UTF-8 byte-order mark at the very start is ignored
  // Records with at least this many fields are exempt from the rule that every record has the
  // first record's field count.
  std::size_t count_exempt_from = std::numeric_limits<std::size_t>::max();
};

class CsvReader {
 public:
  // `input` must outlive the reader.
  CsvReader(std::string_view input, CsvOptions options);

  // The next data record into `fields` (views into the input, or into the reader for fields
  // whose quotes had to be undone; valid until the next call). False at the end of input.
  Result<bool> next(std::vector<std::string_view>& fields);

 private:
  enum class State { StartRecord, Comment, StartField, InField, InQuoted, QuoteInQuoted };
  struct Span {
    bool in_scratch;
    std::size_t begin;
    std::size_t end;
  };

  // Reads one record's field spans; false at the end of input.
  bool read_record();
  BufrError count_error(std::size_t found) const;
  BufrError utf8_error(std::size_t field, std::size_t valid_up_to) const;

  std::string_view input_;
  CsvOptions options_;
  std::size_t pos_ = 0;
  std::uint64_t line_ = 1;
  std::uint64_t records_ = 0;  // records read so far, the header included
  std::size_t expected_ = 0;   // the first record's field count
  std::size_t record_byte_ = 0;
  std::uint64_t record_line_ = 1;
  std::vector<Span> spans_;
  std::string scratch_;
};

// The whole file for a CsvReader; a failure is a Parse error with the OS text.
Result<std::vector<std::uint8_t>> read_csv_file(const std::filesystem::path& path);

}  // namespace mervane
