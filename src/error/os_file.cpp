#include "error/os_file.hpp"

#include "error/utf8_text.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

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

}  // namespace mervane
