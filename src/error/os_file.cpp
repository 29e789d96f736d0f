#include "error/os_file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervane {
namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

Result<std::vector<std::uint8_t>> read_file(const std::filesystem::path& path) {
  std::vector<std::uint8_t> data;
  MERVANE_ASSIGN(const std::size_t used, read_file_into(path, data));
  data.resize(used);
  return data;
}

Result<std::size_t> read_file_into(const std::filesystem::path& path,
                                   std::vector<std::uint8_t>& buffer) {
  Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return BufrError::io(errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) return BufrError::io(errno);
  if (S_ISDIR(st.st_mode)) return BufrError::io(EISDIR);
  // st_size is only a hint: files in /proc and pipes report 0 or less than they hold.
  const std::size_t hint = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096;
  if (buffer.size() < hint) buffer.resize(hint);
  std::size_t used = 0;
  for (;;) {
    if (used == buffer.size()) buffer.resize(buffer.size() * 2);
    const ssize_t got = ::read(file.fd, buffer.data() + used, buffer.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return BufrError::io(errno);
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  return used;
}

Result<std::string> read_text_file(const std::filesystem::path& path) {
  MERVANE_ASSIGN(auto bytes, read_file(path));
  std::string text(bytes.begin(), bytes.end());
  if (!is_valid_utf8(text)) return BufrError::io_fixed("stream did not contain valid UTF-8");
  return text;
}

Result<std::filesystem::path> path_from_text(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) {
    return BufrError::io_fixed("file name contained an unexpected NUL byte");
  }
  return std::filesystem::path(text);
}

bool is_valid_utf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra;
    unsigned min;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, cp = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, cp = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, cp = c & 0x07u;
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    p += extra + 1;
  }
  return true;
}

}  // namespace mervane
