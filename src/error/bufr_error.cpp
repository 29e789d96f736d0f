#include "error/bufr_error.hpp"

#include <cstdio>
#include <cstring>

namespace mervane {

std::string code6(std::uint32_t code) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06u", static_cast<unsigned>(code));
  return buf;
}

std::string os_error_text(int os_errno) {
  char buf[256];
  // GNU strerror_r may return a static string instead of filling buf.
  const char* description = strerror_r(os_errno, buf, sizeof buf);
  return std::string(description) + " (os error " + std::to_string(os_errno) + ")";
}

std::string BufrError::display() const {
  switch (kind_) {
    case ErrorKind::TooShort:
      return "message is too short to be BUFR";
    case ErrorKind::MissingMarker:
      return "missing BUFR marker";
    case ErrorKind::UnsupportedEdition:
      return "unsupported BUFR edition " + std::to_string(first_) +
             "; only edition 4 is implemented";
    case ErrorKind::LengthMismatch:
      return "declared length " + std::to_string(first_) + " does not match buffer length " +
             std::to_string(second_);
    case ErrorKind::SectionTruncated:
      return "section " + std::to_string(second_) + " at offset " + std::to_string(first_) +
             " is truncated";
    case ErrorKind::BadTerminator:
      return "section 5 terminator is not 7777";
    case ErrorKind::OddDescriptorBytes:
      return "section 3 descriptor area has odd byte count";
    case ErrorKind::SequenceNotFound:
      return "descriptor " + code6(static_cast<std::uint32_t>(first_)) +
             " was not found in Table D";
    case ErrorKind::DelayedReplicationIncomplete:
      return "delayed replication descriptor " + code6(static_cast<std::uint32_t>(first_)) +
             " is missing its replication factor or replicated descriptors";
    case ErrorKind::UnsupportedReplication:
      return "unsupported replication descriptor " + code6(static_cast<std::uint32_t>(first_));
    case ErrorKind::ElementNotFound:
      return "descriptor " + code6(static_cast<std::uint32_t>(first_)) +
             " was not found in Table B";
    case ErrorKind::Parse:
      return "csv/table parse error: " + text_;
    case ErrorKind::Io:
      return "io error: " + detail();
  }
  return {};
}

std::string BufrError::detail() const {
  if (kind_ == ErrorKind::Io && text_.empty()) return os_error_text(static_cast<int>(first_));
  return text_;
}

}  // namespace mervane
