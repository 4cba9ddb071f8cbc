#include "network/text_lines.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

// Text is held back up to this size, so that writing a row at a time costs
// no system call per row.
constexpr std::size_t kBufferSize = 1 << 16;

// Hops through symbolic links before giving up, as the kernel does.
constexpr int kMaxLinkHops = 40;

// Writes all of data to fd; 0, or the errno of the failure.
int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;  // no progress and no reason: do not spin
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// path with every symbolic link at its end followed, also when the last one
// leads nowhere (the file is then made where it points). Errors are left to
// the calls that use the path, which report them.
std::string FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) break;
    const fs::path to = fs::read_symlink(current, error);
    if (error) break;
    current = to.is_absolute() ? to : current.parent_path() / to;
  }
  return current.string();
}

// A name beside target that no file has yet: target + "." + six characters.
std::string TemporaryName(const std::string& target, std::mt19937& random) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string name = target + ".";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name;
}

}  // namespace

LineAt LineFrom(std::string_view text, std::size_t pos) {
  const auto end = text.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) return {text.substr(pos), text.size()};
  std::size_t next = end + 1;
  if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  return {text.substr(pos, end - pos), next};
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    const LineAt at = LineFrom(text, pos);
    lines.emplace_back(at.line);
    pos = at.next;
  }
  return lines;
}

std::string ReadTextFile(const std::string& fileName) {
  const auto fail = [&](int error) {
    throw NeuroException("Cannot read the file " + fileName + ": " + std::strerror(error));
  };
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  std::string text;
  struct stat status {};
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
    text.reserve(static_cast<std::size_t>(status.st_size));
  char block[kBufferSize];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;  // a folder fails here, with EISDIR
      close(fd);
      fail(error);
    }
    if (n == 0) break;
    text.append(block, static_cast<std::size_t>(n));
  }
  close(fd);
  return text;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  std::string text;
  try {
    text = ReadTextFile(fileName);
  } catch (const NeuroException&) {
    // Programs and equation files are refused in the compiler's words,
    // which name no reason.
    throw NeuroException("Cannot open file " + fileName);
  }
  return SplitLines(text);
}

AtomicFile::AtomicFile(std::string fileName) : fileName_(std::move(fileName)) { Open(); }

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Open() {
  target_ = FollowLinks(fileName_);
  struct stat status {};
  const bool exists = stat(target_.c_str(), &status) == 0;
  if (!exists && errno != ENOENT) Fail(errno);
  if (exists && S_ISDIR(status.st_mode)) Fail(EISDIR);
  if (exists && !S_ISREG(status.st_mode)) {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
    return;
  }
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ = TemporaryName(target_, random);
    // Created with 0666 the kernel applies the umask, which is thus never
    // read or changed here.
    fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      temporary_.clear();
      Fail(error);
    }
  }
  if (fd_ < 0) {
    temporary_.clear();
    Fail(EEXIST);
  }
  if (exists && fchmod(fd_, status.st_mode & 07777) != 0) Fail(errno);
}

void AtomicFile::Append(std::string_view text) {
  ThrowIfSpent();
  if (pending_.size() + text.size() < kBufferSize) {
    pending_ += text;
    return;
  }
  Flush();
  if (text.size() < kBufferSize) {
    pending_ = text;
  } else if (const int error = WriteAll(fd_, text)) {
    Fail(error);
  }
}

void AtomicFile::Flush() {
  if (const int error = WriteAll(fd_, pending_)) Fail(error);
  pending_.clear();
}

void AtomicFile::Commit() {
  ThrowIfSpent();
  Flush();
  // A pipe or device cannot be synced; only a file about to replace another
  // must be on disk first.
  if (!temporary_.empty() && fsync(fd_) != 0) Fail(errno);
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) Fail(errno);
  if (!temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0)
    Fail(errno);
  temporary_.clear();
  spent_ = "Cannot write the file " + fileName_ + ": it is written already";
}

void AtomicFile::Discard() noexcept {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  pending_.clear();
}

void AtomicFile::Fail(int error) {
  Discard();
  spent_ = "Cannot write the file " + fileName_ + ": " + std::strerror(error);
  throw NeuroException(spent_);
}

void AtomicFile::ThrowIfSpent() const {
  if (!spent_.empty()) throw NeuroException(spent_);
}

void WriteFileAtomically(const std::string& fileName, std::string_view text) {
  AtomicFile file(fileName);
  file.Append(text);
  file.Commit();
}

StandardOutput::StandardOutput() : eachPiece_(isatty(STDOUT_FILENO) == 1) {}

void StandardOutput::Append(std::string_view text) {
  if (Failed()) throw NeuroException(failure_);
  pending_ += text;
  if (eachPiece_ || pending_.size() >= kBufferSize) Flush();
}

void StandardOutput::Commit() {
  if (Failed()) throw NeuroException(failure_);
  Flush();
}

void StandardOutput::Flush() {
  const int error = WriteAll(STDOUT_FILENO, pending_);
  pending_.clear();
  if (error == 0) return;
  failure_ = std::string("Cannot write the standard output: ") + std::strerror(error);
  throw NeuroException(failure_);
}

}  // namespace vantorb
