#include "network/text_lines.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

// mkstemp makes the file readable by its owner only; a written file gets
// the permissions a newly created one would.
void fchmod_like(const std::string& path) {
  const mode_t mask = umask(0);
  umask(mask);
  chmod(path.c_str(), 0666 & ~mask);
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

void WriteFileAtomically(const std::string& fileName, const std::string& text) {
  auto fail = [&](int error) {
    throw NeuroException("Cannot write the file " + fileName + ": " +
                         std::strerror(error));
  };
  std::string temporary = fileName + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) fail(errno);
  std::size_t written = 0;
  int error = 0;
  while (written < text.size() && error == 0) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) written += static_cast<std::size_t>(n);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) {
    fchmod_like(temporary);
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) error = errno;
  }
  if (error != 0) {
    std::remove(temporary.c_str());
    fail(error);
  }
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  std::error_code error;
  std::ifstream file;
  if (!std::filesystem::is_directory(fileName, error))
    file.open(fileName, std::ios::binary);
  if (!file.is_open()) throw NeuroException("Cannot open file " + fileName);
  const std::string text{std::istreambuf_iterator<char>(file),
                         std::istreambuf_iterator<char>()};
  return SplitLines(text);
}

}  // namespace vantorb
