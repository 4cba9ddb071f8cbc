#pragma once
// Text files: lines, reading a file whole, and writing text that reaches
// its destination in pieces, either standard output or a file that appears
// only once all of it is on disk. A line ends at CR, CR LF or LF; the ending
// is not part of the line, and a last line needs none.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantorb {

// The line of text that starts at pos (pos < text.size()), and where the
// line after it starts (text.size() when it is the last).
struct LineAt {
  std::string_view line;
  std::size_t next;
};
LineAt LineFrom(std::string_view text, std::size_t pos);

std::vector<std::string> SplitLines(std::string_view text);

// Only regular files are read. A device or a pipe is refused before a byte
// of it is read: /dev/zero would never end, and a pipe with no writer would
// wait for ever (it is opened without waiting, then looked at). A name that
// leads to a regular file through links, also /dev/stdin when standard
// input comes from a file, is read from its start. The readers keep no
// state: they may be called from any thread.

// Every byte of a regular file, as it is. Throws NeuroException "Cannot
// read the file NAME: reason" when it cannot be read: the system's reason,
// "Is a directory" for a folder, "it is a device, not a regular file" or
// "it is a pipe, not a regular file" for what is not read.
std::string ReadTextFile(const std::string& fileName);

// The same bytes, for a program or equation file, refused in the
// compiler's words with the same reasons: "Cannot open file NAME: reason"
// ("No such file or directory", "Permission denied", "Is a directory",
// "it is a device, not a regular file", "it is a pipe, not a regular
// file").
std::string ReadSourceFile(const std::string& fileName);

// The lines of ReadSourceFile, which says what it throws.
std::vector<std::string> ReadTextLines(const std::string& fileName);

// Somewhere text goes in pieces. Append may keep text back; Commit puts all
// of it in place. Both throw NeuroException naming the destination and the
// system's reason on a failure; after a failure the sink is spent and every
// later Append or Commit throws the same message again.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Append(std::string_view text) = 0;
  virtual void Commit() = 0;
};

// Puts text written in pieces in a file's place, only once all of it is on
// disk, or straight into what a name leads to when there is no file to
// replace. Where the name leads decides how:
//
// - A regular file that is new or has one name: the text goes to a new
//   file beside it, which Commit syncs and renames into its place. The new
//   file takes the old one's owner, group and permission bits; a file made
//   anew gets the process's owner and 0666 less its umask, which is never
//   changed. The temporary name is the file's name, cut where needed so that
//   it fits the longest name its folder allows, and "." with six
//   characters; a name longer than that limit fails "File name too long".
// - A regular file with more than one name (hard links), whose owner or
//   group the new file cannot take (another user's file in a folder one may
//   write), or in a folder where no new file may be made (one's own file in
//   another user's folder): written in place, so that every name sees the
//   new text and the file keeps its owner, group, permissions and links.
//   The text first goes to a file with no name beside it (or, where the
//   folder refuses it, in $TMPDIR or /tmp), and Commit copies it in, so a
//   text that is not finished never reaches the file; a failure during
//   that copy (a disk that fills) can leave it part written. Writing in
//   place needs the right to write the file itself: without it,
//   "Permission denied", and the file is not replaced under another owner.
// - A descriptor of this process (/dev/stdout, /dev/stderr, /dev/fd/N,
//   /proc/self/fd/N, /proc/PID/fd/N with this process's PID): written
//   through a copy of that very descriptor, as the shell opened it (">>"
//   appends, the position is shared), never reopened and never replaced. A
//   descriptor that is not open, or open only for reading, fails "Bad file
//   descriptor". A descriptor of another process is opened by its name: a
//   regular file behind it is written in place as above, anything else as
//   below.
// - A pipe or a device (also through a link): opened and written directly;
//   it stays a pipe or a device, and nothing is synced.
//
// What is written directly (a descriptor, a pipe, a device) gets the text as
// it comes, as standard output does; the rest sees nothing of it before
// Commit. A symbolic link (through any chain of links) is written through:
// its final target is written and the link stays. Without a Commit
// (destroyed, or after a failure) no temporary file remains and a replaced
// file stays whole. Messages: "Cannot write the file NAME: reason", NAME as
// given. Not to be shared between threads.
class AtomicFile : public TextSink {
 public:
  // Opens what the text goes to; throws when it cannot (no such folder, no
  // right to write there, a descriptor that is not open for writing).
  explicit AtomicFile(std::string fileName);
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Append(std::string_view text) override;
  // Writes what is held back and puts the text in place (syncs and renames,
  // or copies in place). Append or Commit after it throw.
  void Commit() override;
  // Gives the text up, as the destructor does: nothing is put in place, a
  // replaced file stays whole; but what is written directly gets the text
  // held back, so that it ends where the text given ended (the destructor
  // writes it too, without a word when it cannot). Throws as Append does;
  // Append or Commit after it throw.
  void Abandon();

 private:
  void Open();
  void OpenDescriptor(int descriptor);
  // A new file beside that path, in fd_ and temporary_; 0, or the errno
  // of the failure.
  int CreateTemporary(const std::string& beside);
  // Whether the text goes straight to its destination.
  bool Direct() const { return fd_ >= 0 && inPlace_ < 0 && temporary_.empty(); }
  bool TakeOwner(uid_t owner, gid_t group);
  void OpenInPlace(const std::string& openAs, const std::string& beside);
  void CopyInPlace();
  void Flush();
  void Discard() noexcept;
  [[noreturn]] void Fail(int error);
  void ThrowIfSpent() const;

  std::string fileName_;   // as given, for messages
  std::string target_;     // the file written: fileName_ with links followed
  int fd_ = -1;            // where Append writes: the new file, or the
                           // destination itself when written directly
  std::string temporary_;  // the new file's name until it takes target_'s
                           // place; empty when nothing is renamed
  int inPlace_ = -1;       // the file Commit copies the text into, when it
                           // is written in place
  std::string pending_;
  std::string spent_;      // why Append and Commit no longer work
};

// The whole text through an AtomicFile.
void WriteFileAtomically(const std::string& fileName, std::string_view text);

// The process's standard output (descriptor 1), written in pieces through
// a buffer; on a terminal each piece goes out at once, so that it keeps its
// place among messages on standard error. Messages: "Cannot write the
// standard output: reason". A program should make one and share it, so that
// its pieces stay in order; not to be shared between threads.
class StandardOutput : public TextSink {
 public:
  StandardOutput();
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  void Append(std::string_view text) override;
  // Writes what is held back; the output stays open for more.
  void Commit() override;
  // Whether a failure was thrown already.
  bool Failed() const { return !failure_.empty(); }

 private:
  void Flush();

  bool eachPiece_;
  std::string pending_;
  std::string failure_;
};

}  // namespace vantorb
