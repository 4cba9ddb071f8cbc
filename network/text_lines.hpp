#pragma once
// Text files: lines, reading a file whole, and writing text that reaches
// its destination in pieces, either standard output or a file that appears
// only once all of it is on disk. A line ends at CR, CR LF or LF; the ending
// is not part of the line, and a last line needs none.

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

// Every byte of a file, as it is. Throws NeuroException "Cannot read the
// file NAME: reason" when it cannot be read (reason from the system, "Is a
// directory" for a folder).
std::string ReadTextFile(const std::string& fileName);

// The lines of a file; throws NeuroException "Cannot open file NAME" when
// it cannot be read.
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

// Replaces a file by text written in pieces, only once all of it is on
// disk. The text goes to a new file beside the one replaced, which Commit
// syncs and renames into its place. A symbolic link (through any chain of
// links) is written through: its final target is replaced and the link
// stays. The file keeps the permission bits of the file it replaces; a new
// file gets 0666 less the process's umask, which is never changed. Without
// a Commit (destroyed, or after a failure) the new file is removed and the
// old one stays whole. A device or a pipe has nothing to replace and is
// written directly. Messages: "Cannot write the file NAME: reason", NAME as
// given. Not to be shared between threads.
class AtomicFile : public TextSink {
 public:
  // Creates the new file; throws when it cannot (no such folder, no right
  // to write there).
  explicit AtomicFile(std::string fileName);
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Append(std::string_view text) override;
  // Writes what is held back, syncs and renames. Append or Commit after it
  // throw.
  void Commit() override;

 private:
  void Open();
  void Flush();
  void Discard() noexcept;
  [[noreturn]] void Fail(int error);
  void ThrowIfSpent() const;

  std::string fileName_;   // as given, for messages
  std::string target_;     // the file replaced: fileName_ with links followed
  std::string temporary_;  // the new file until it takes target_'s place;
                           // empty when the target is written directly
  int fd_ = -1;
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
