#include "network/text_lines.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
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

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A descriptor named by a link in /proc/PID/fd or /proc/PID/task/TID/fd,
// where /dev/stdout, /dev/fd/N and /proc/self/fd/N lead.
struct DescriptorLink {
  int descriptor;
  bool ours;  // PID is this process
};

// The descriptor that path names, when its folder is a descriptor folder.
// Such a link's text ("pipe:[N]", or the path the descriptor was opened
// by) is no way to reach what it stands for, so the link is never read.
std::optional<DescriptorLink> AsDescriptorLink(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder =
      fs::canonical(path.has_parent_path() ? path.parent_path() : fs::path("."), error);
  if (error) return std::nullopt;
  const std::vector<std::string> parts(folder.begin(), folder.end());
  const auto is = [&](std::size_t i, std::string_view part) {
    return i < parts.size() && parts[i] == part;
  };
  const bool processFolder = parts.size() == 4 && is(1, "proc") && AllDigits(parts[2]) && is(3, "fd");
  const bool threadFolder = parts.size() == 6 && is(1, "proc") && AllDigits(parts[2]) &&
                            is(3, "task") && AllDigits(parts[4]) && is(5, "fd");
  const std::string name = path.filename().string();
  int descriptor = 0;
  long pid = 0;
  if ((!processFolder && !threadFolder) || !AllDigits(name) ||
      std::from_chars(name.data(), name.data() + name.size(), descriptor).ec != std::errc() ||
      std::from_chars(parts[2].data(), parts[2].data() + parts[2].size(), pid).ec != std::errc())
    return std::nullopt;
  return DescriptorLink{descriptor, pid == static_cast<long>(getpid())};
}

// Where a path leads: the path with every symbolic link at its end
// followed, also when the last one leads nowhere (the file is then made
// where it points), or the descriptor link the links lead to. Errors are
// left to the calls that use the path, which report them.
struct Destination {
  std::string path;  // for a descriptor, its link
  std::optional<DescriptorLink> descriptor;
};

Destination FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    if (auto descriptor = AsDescriptorLink(current)) return {current.string(), descriptor};
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) break;
    const fs::path to = fs::read_symlink(current, error);
    if (error) break;
    current = to.is_absolute() ? to : current.parent_path() / to;
  }
  return {current.string(), std::nullopt};
}

// A name beside target that no file has yet: target's name cut to fit
// nameMax with the seven characters added, "." and six characters.
std::string TemporaryName(const std::filesystem::path& target, std::size_t nameMax,
                          std::mt19937& random) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  const std::string name = target.filename().string();
  std::string temporary = name.substr(0, nameMax > 7 ? nameMax - 7 : 0) + ".";
  for (int i = 0; i < 6; ++i) temporary += kLetters[pick(random)];
  return (target.parent_path() / temporary).string();
}

// The folder for temporary files: $TMPDIR, or /tmp.
std::filesystem::path TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

// Why a file was not read: the system's error, or what it is instead of a
// regular file.
struct ReadFailure {
  int error = 0;
  const char* refusal = nullptr;
  std::string Reason() const { return refusal != nullptr ? refusal : std::strerror(error); }
};

// A socket never gets here: opening one fails.
const char* Refusal(mode_t mode) {
  return S_ISFIFO(mode) ? "it is a pipe, not a regular file"
                        : "it is a device, not a regular file";
}

// Every byte of a regular file into text, or why not.
std::optional<ReadFailure> ReadWhole(const std::string& fileName, std::string& text) {
  // Opened without waiting: a pipe with no writer would hold open() for
  // ever. For a regular file the flag changes nothing.
  const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return ReadFailure{errno};
  const auto fail = [fd](ReadFailure failure) {
    close(fd);
    return failure;
  };
  struct stat status {};
  if (fstat(fd, &status) != 0) return fail({errno});
  if (S_ISDIR(status.st_mode)) return fail({EISDIR});
  if (!S_ISREG(status.st_mode)) return fail({0, Refusal(status.st_mode)});
  text.clear();
  text.reserve(static_cast<std::size_t>(status.st_size));
  char block[kBufferSize];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail({errno});
    if (n == 0) break;
    text.append(block, static_cast<std::size_t>(n));
  }
  close(fd);
  return std::nullopt;
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
  std::string text;
  if (const auto failure = ReadWhole(fileName, text))
    throw NeuroException("Cannot read the file " + fileName + ": " + failure->Reason());
  return text;
}

std::string ReadSourceFile(const std::string& fileName) {
  std::string text;
  if (const auto failure = ReadWhole(fileName, text))
    throw NeuroException("Cannot open file " + fileName + ": " + failure->Reason());
  return text;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  return SplitLines(ReadSourceFile(fileName));
}

AtomicFile::AtomicFile(std::string fileName) : fileName_(std::move(fileName)) { Open(); }

AtomicFile::~AtomicFile() {
  // What goes straight to its destination keeps what was written, as
  // standard output would; nobody is left to hear of a failure.
  if (Direct() && spent_.empty()) WriteAll(fd_, pending_);
  Discard();
}

void AtomicFile::Abandon() {
  ThrowIfSpent();
  if (Direct()) Flush();
  Discard();
  spent_ = "Cannot write the file " + fileName_ + ": it was given up";
}

void AtomicFile::Open() {
  const Destination to = FollowLinks(fileName_);
  target_ = to.path;
  if (to.descriptor && to.descriptor->ours) return OpenDescriptor(to.descriptor->descriptor);
  struct stat status {};
  if (stat(target_.c_str(), &status) != 0) {
    if (errno != ENOENT || to.descriptor) Fail(errno);
    if (const int error = CreateTemporary(target_)) Fail(error);
    return;
  }
  if (S_ISDIR(status.st_mode)) Fail(EISDIR);
  if (!S_ISREG(status.st_mode)) {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) Fail(errno);
    return;
  }
  if (to.descriptor) {
    // Another process's descriptor: opened by its link, with the text
    // waiting beside the file the link names.
    std::error_code error;
    const std::filesystem::path named = std::filesystem::read_symlink(target_, error);
    if (error) Fail(error.value());
    return OpenInPlace(target_, named.string());
  }
  if (status.st_nlink > 1) return OpenInPlace(target_, target_);
  // A folder one may not write, holding a file one may: written in place.
  if (const int error = CreateTemporary(target_)) {
    if (error != EACCES) Fail(error);
    return OpenInPlace(target_, target_);
  }
  if (!TakeOwner(status.st_uid, status.st_gid)) {
    Discard();
    return OpenInPlace(target_, target_);
  }
  // After the owner: a change of owner clears the set-user and set-group
  // bits.
  if (fchmod(fd_, status.st_mode & 07777) != 0) Fail(errno);
}

void AtomicFile::OpenDescriptor(int descriptor) {
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags < 0) Fail(errno);
  if ((flags & O_ACCMODE) == O_RDONLY) Fail(EBADF);
  fd_ = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) Fail(errno);
}

int AtomicFile::CreateTemporary(const std::string& beside) {
  const std::filesystem::path target(beside);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::size_t nameMax = limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
  if (target.filename().string().size() > nameMax) return ENAMETOOLONG;
  std::mt19937 random(std::random_device{}());
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    temporary_ = TemporaryName(target, nameMax, random);
    // Created with 0666 the kernel applies the umask, which is thus never
    // read or changed here. Readable, so that a text written in place can
    // be copied from it.
    fd_ = open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = fd_ < 0 ? errno : 0;
  }
  if (error != 0) temporary_.clear();
  return error;
}

// Gives the new file the old one's owner and group; false when the system
// does not let this process do so.
bool AtomicFile::TakeOwner(uid_t owner, gid_t group) {
  struct stat made {};
  if (fstat(fd_, &made) != 0) Fail(errno);
  if (made.st_uid == owner && made.st_gid == group) return true;
  if (fchown(fd_, owner, group) == 0) return true;
  if (errno != EPERM) Fail(errno);
  return false;
}

void AtomicFile::OpenInPlace(const std::string& openAs, const std::string& beside) {
  // Opened now, so that a file that may not be written fails before any
  // text is made.
  inPlace_ = open(openAs.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (inPlace_ < 0) Fail(errno);
  int error = CreateTemporary(beside);
  // A folder one may not write: the text waits in the folder for
  // temporary files instead.
  if (error == EACCES) {
    const std::filesystem::path name = std::filesystem::path(beside).filename();
    error = CreateTemporary((TemporaryFolder() / name).string());
  }
  if (error != 0) Fail(error);
  // The text waits in a file that has no name, so none is left behind
  // whatever happens to the process.
  if (unlink(temporary_.c_str()) != 0) Fail(errno);
  temporary_.clear();
}

void AtomicFile::CopyInPlace() {
  if (lseek(fd_, 0, SEEK_SET) != 0) Fail(errno);
  off_t size = 0;
  char block[kBufferSize];
  for (;;) {
    const ssize_t n = read(fd_, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) break;
    if (const int error = WriteAll(inPlace_, std::string_view(block, static_cast<std::size_t>(n))))
      Fail(error);
    size += n;
  }
  if (ftruncate(inPlace_, size) != 0 || fsync(inPlace_) != 0) Fail(errno);
  const int closed = close(inPlace_);
  inPlace_ = -1;
  if (closed != 0) Fail(errno);
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
  // A pipe or device cannot be synced; a file written in place is synced
  // as it is copied, and a file about to replace another must be on disk
  // first.
  if (inPlace_ >= 0) CopyInPlace();
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
  if (inPlace_ >= 0) close(inPlace_);
  inPlace_ = -1;
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
