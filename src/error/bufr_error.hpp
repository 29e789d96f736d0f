#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace mervane {

enum class ErrorKind : std::uint8_t {
  TooShort,
  MissingMarker,
  UnsupportedEdition,
  LengthMismatch,
  SectionTruncated,
  BadTerminator,
  OddDescriptorBytes,
  SequenceNotFound,
  DelayedReplicationIncomplete,
  UnsupportedReplication,
  ElementNotFound,
  Parse,
  Io,
};

// The one error type of the core: a kind plus its payload. Numeric payloads share two slots;
// Parse carries its text, Io an OS error number or, when there is none, a fixed description.
class BufrError {
 public:
  static BufrError too_short() { return BufrError(ErrorKind::TooShort); }
  static BufrError missing_marker() { return BufrError(ErrorKind::MissingMarker); }
  static BufrError unsupported_edition(std::uint8_t edition) {
    return BufrError(ErrorKind::UnsupportedEdition, edition);
  }
  static BufrError length_mismatch(std::uint64_t declared, std::uint64_t actual) {
    return BufrError(ErrorKind::LengthMismatch, declared, actual);
  }
  static BufrError section_truncated(std::uint64_t offset, std::uint8_t section) {
    return BufrError(ErrorKind::SectionTruncated, offset, section);
  }
  static BufrError bad_terminator() { return BufrError(ErrorKind::BadTerminator); }
  static BufrError odd_descriptor_bytes() { return BufrError(ErrorKind::OddDescriptorBytes); }
  static BufrError sequence_not_found(std::uint32_t code) {
    return BufrError(ErrorKind::SequenceNotFound, code);
  }
  static BufrError delayed_replication_incomplete(std::uint32_t code) {
    return BufrError(ErrorKind::DelayedReplicationIncomplete, code);
  }
  static BufrError unsupported_replication(std::uint32_t code) {
    return BufrError(ErrorKind::UnsupportedReplication, code);
  }
  static BufrError element_not_found(std::uint32_t code) {
    return BufrError(ErrorKind::ElementNotFound, code);
  }
  static BufrError parse(std::string text) {
    BufrError e(ErrorKind::Parse);
    e.text_ = std::move(text);
    return e;
  }
  // An OS failure, by error number.
  static BufrError io(int os_errno) {
    BufrError e(ErrorKind::Io);
    e.first_ = static_cast<std::uint64_t>(os_errno);
    return e;
  }
  // A failure that has no OS error number, such as text that is not UTF-8.
  static BufrError io_fixed(std::string description) {
    BufrError e(ErrorKind::Io);
    e.text_ = std::move(description);
    return e;
  }

  ErrorKind kind() const { return kind_; }
  // The display text, as Python sees it.
  std::string display() const;
  // For Io: the OS text without the "io error: " prefix; for Parse: the text.
  std::string detail() const;

 private:
  explicit BufrError(ErrorKind kind, std::uint64_t first = 0, std::uint64_t second = 0)
      : kind_(kind), first_(first), second_(second) {}

  ErrorKind kind_;
  std::uint64_t first_;
  std::uint64_t second_;
  std::string text_;
};

// "{} (os error {})" for an OS error number, as the Io kind and file functions show it.
std::string os_error_text(int os_errno);

// A descriptor code in decimal, zero-padded to at least six digits.
std::string code6(std::uint32_t code);

}  // namespace mervane
