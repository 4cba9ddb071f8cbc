// Text files: line endings, reading whole files (and refusing what is no
// file), and the atomic writer with what it must keep of the file it
// replaces (permissions, owner, links, the old text on failure), what it
// must leave alone (the umask) and what it writes in place (descriptors,
// pipes, files with several names).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
#include "waiting_writer.hpp"
#include "network/exceptions.hpp"
#include "network/text_lines.hpp"

// Every umask call of this program passes here and is counted, so that a
// test can tell whether writing a file touched the process's umask.
namespace {
int umaskCalls = 0;
}
extern "C" mode_t umask(mode_t mask) {
  ++umaskCalls;
  return static_cast<mode_t>(syscall(SYS_umask, mask));
}

namespace vantorb {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

TEST(SplitLines, EveryEndingEndsOneLine) {
  const std::pair<std::string, Lines> cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"\n\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two endings
      {"a\r\r\n", {"a", ""}},
      {"\r\n", {""}},
      {std::string("x\0y\nz", 5), {std::string("x\0y", 3), "z"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(SplitLines(text), lines) << text;
}

class FilesTest : public ::testing::Test {
 protected:

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Put(const std::string& name, const std::string& text, mode_t mode = 0644) {
    std::ofstream(Path(name), std::ios::binary) << text;
    chmod(Path(name).c_str(), mode);
    return Path(name);
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static mode_t Mode(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
  }
  static struct stat Status(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status;
  }
  static bool IsLink(const std::string& path) {
    return fs::is_symlink(fs::symlink_status(path));
  }
  // The names in the test's folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string Message(const std::function<void()>& action) {
    try {
      action();
    } catch (const NeuroException& e) {
      return e.what();
    }
    return "no exception";
  }
  // What the messages of `actions` say, one a line, each done in a child
  // process acting as the user nobody; "the child could not act" when it
  // could not become nobody or report.
  static constexpr uid_t kNobody = 65534;
  static std::string SaidAsNobody(const std::vector<std::function<void()>>& actions) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return "no pipe";
    const pid_t child = fork();
    if (child < 0) return "no child";
    if (child == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(1);
      std::string said;
      for (const auto& action : actions) said += Message(action) + "\n";
      _exit(write(report[1], said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0
                                                                                          : 1);
    }
    close(report[1]);
    int status = 0;
    const bool acted =
        waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
      said.append(buffer, static_cast<std::size_t>(n));
    close(report[0]);
    return acted ? said : "the child could not act";
  }

  vantorb::testing::ScratchDir scratch_{"vantorb-files"};
  const fs::path& dir_ = scratch_.Path();
};

TEST_F(FilesTest, ReadGivesEveryByteOrSaysWhyNot) {
  const std::string bytes("a\r\nb\0\xff\rc", 8);
  EXPECT_EQ(ReadTextFile(Put("bytes", bytes)), bytes);
  EXPECT_EQ(ReadTextFile(Put("empty", "")), "");
  EXPECT_EQ(ReadTextLines(Path("bytes")), (Lines{"a", std::string("b\0\xff", 3), "c"}));
  const std::string big(200000, 'x');
  EXPECT_EQ(ReadTextFile(Put("big", big)), big);

  const std::string missing = Path("missing"), folder = dir_.string();
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { ReadTextFile(missing); },
       "Cannot read the file " + missing + ": No such file or directory"},
      {[&] { ReadTextFile(folder); }, "Cannot read the file " + folder + ": Is a directory"},
      // A program's file gives the same reasons in the compiler's words.
      {[&] { ReadTextLines(missing); },
       "Cannot open file " + missing + ": No such file or directory"},
      {[&] { ReadTextLines(folder); }, "Cannot open file " + folder + ": Is a directory"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(Message(action), message);
}

TEST_F(FilesTest, ReplacedFileKeepsItsPermissions) {
  for (const mode_t mode : {0600, 0640, 0751, 0444}) {
    const std::string file = Put("kept", "old", mode);
    WriteFileAtomically(file, "new");
    EXPECT_EQ(Slurp(file), "new");
    EXPECT_EQ(Mode(file), mode) << std::oct << mode;
    chmod(file.c_str(), 0644);
  }
}

TEST_F(FilesTest, NewFileHasTheUmasksModeAndTheUmaskIsNeverTouched) {
  const mode_t saved = umask(022);
  for (const mode_t mask : {022, 077, 0, 027}) {
    umask(mask);
    const std::string file = Path("new" + std::to_string(mask));
    umaskCalls = 0;
    WriteFileAtomically(file, "text");
    EXPECT_EQ(umaskCalls, 0) << "the umask belongs to the whole process";
    EXPECT_EQ(Mode(file), 0666 & ~mask) << std::oct << mask;
  }
  umask(saved);
}

TEST_F(FilesTest, SymbolicLinksAreWrittenThroughToTheirTarget) {
  fs::create_directories(dir_ / "real");
  const std::string target = Put("real/target", "old", 0600);
  struct Case {
    std::string link, pointsTo;
  };
  const Case cases[] = {
      {"absolute", target},
      {"relative", "real/target"},
      {"chained", "absolute"},  // a link to a link
  };
  for (const auto& c : cases) {
    fs::create_symlink(c.pointsTo, Path(c.link));
    WriteFileAtomically(Path(c.link), "through " + c.link);
    EXPECT_TRUE(IsLink(Path(c.link))) << c.link;
    EXPECT_EQ(Slurp(target), "through " + c.link);
    EXPECT_EQ(Mode(target), 0600u) << c.link;
  }
  // A link to a file not yet there makes the file where the link points.
  fs::create_symlink("real/later", Path("dangling"));
  WriteFileAtomically(Path("dangling"), "made");
  EXPECT_TRUE(IsLink(Path("dangling")));
  EXPECT_EQ(Slurp(Path("real/later")), "made");
  EXPECT_EQ(Names(), (Lines{"absolute", "chained", "dangling", "real", "relative"}));
}

TEST_F(FilesTest, TextAppendedInPiecesAppearsWholeOnlyAtCommit) {
  // Pieces around the size of the writer's buffer, and a text far beyond it.
  std::string whole;
  for (int i = 0; whole.size() < 300000; ++i) whole += "row " + std::to_string(i) + "\n";
  for (const std::size_t piece : {1u, 7u, 4096u, 65535u, 65536u, 65537u, 300000u}) {
    const std::string file = Put("pieces", "old");
    {
      AtomicFile out(file);
      for (std::size_t at = 0; at < whole.size(); at += piece)
        out.Append(std::string_view(whole).substr(at, piece));
      EXPECT_EQ(Slurp(file), "old") << "before Commit, piece " << piece;
      out.Commit();
    }
    EXPECT_EQ(Slurp(file), whole) << "piece " << piece;
    EXPECT_EQ(Names(), Lines{"pieces"});
  }
}

TEST_F(FilesTest, WithoutCommitOrOnFailureTheOldFileStaysAndNoTemporaryRemains) {
  const std::string file = Put("kept", "old");
  {
    AtomicFile out(file);
    out.Append(std::string(100000, 'x'));
  }
  EXPECT_EQ(Slurp(file), "old");
  EXPECT_EQ(Names(), Lines{"kept"});

  AtomicFile once(file);
  once.Append("new");
  once.Commit();
  EXPECT_EQ(Message([&] { once.Append("more"); }),
            "Cannot write the file " + file + ": it is written already");

  fs::create_directories(dir_ / "folder");
  const std::string missing = Path("none/x");
  const std::pair<std::string, std::string> cases[] = {
      {missing, "Cannot write the file " + missing + ": No such file or directory"},
      {Path("folder"), "Cannot write the file " + Path("folder") + ": Is a directory"},
      {Path("kept/x"), "Cannot write the file " + Path("kept/x") + ": Not a directory"},
  };
  for (const auto& [name, message] : cases)
    EXPECT_EQ(Message([&] { WriteFileAtomically(name, "text"); }), message);
  EXPECT_EQ(Slurp(file), "new");
  EXPECT_EQ(Names(), (Lines{"folder", "kept"}));
}

TEST_F(FilesTest, APipeIsWrittenDirectlyAndStaysAPipe) {
  const std::string pipe = Path("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink("pipe", Path("to-pipe"));
  // A reader that is already there lets the writer open the pipe at once.
  const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  WriteFileAtomically(Path("to-pipe"), "through the pipe");
  char text[64] = {};
  EXPECT_EQ(read(reader, text, sizeof text), 16);
  close(reader);
  EXPECT_EQ(std::string(text), "through the pipe");
  EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
  EXPECT_EQ(Names(), (Lines{"pipe", "to-pipe"}));
}

TEST_F(FilesTest, WhatIsNoRegularFileIsRefusedBeforeItIsRead) {
  const std::string pipe = Path("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink("pipe", Path("to-pipe"));
  struct Case {
    std::string name, reason;
  };
  const Case cases[] = {
      {"/dev/null", "it is a device, not a regular file"},
      {pipe, "it is a pipe, not a regular file"},  // no writer: open() must not wait
      {Path("to-pipe"), "it is a pipe, not a regular file"},
      {"/dev/zero", "it is a device, not a regular file"},  // would never end
  };
  for (const auto& c : cases) {
    const std::pair<std::function<void()>, std::string> reads[] = {
        {[&] { ReadTextFile(c.name); }, "Cannot read the file " + c.name + ": " + c.reason},
        {[&] { ReadSourceFile(c.name); }, "Cannot open file " + c.name + ": " + c.reason},
        {[&] { ReadTextLines(c.name); }, "Cannot open file " + c.name + ": " + c.reason},
    };
    for (const auto& [read, message] : reads) {
      std::optional<vantorb::testing::WaitingWriter> writer;
      if (fs::is_fifo(c.name)) writer.emplace(c.name);
      EXPECT_EQ(Message(read), message);
    }
  }
}

// A text given up: a file is left as it was, with no temporary beside it;
// what goes straight to a descriptor gets everything appended before, as
// it would have had it come without a buffer.
TEST_F(FilesTest, AbandonedTextReachesADescriptorButNoFile) {
  const std::string file = Put("kept", "old");
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  {
    AtomicFile toFile(file), toPipe("/dev/fd/" + std::to_string(ends[1]));
    for (AtomicFile* out : {&toFile, &toPipe}) {
      out->Append("rows ");
      out->Append("held back");
      out->Abandon();
      EXPECT_EQ(Message([&] { out->Append("more"); }).rfind("Cannot write the file ", 0), 0u);
    }
  }
  close(ends[1]);
  char text[64] = {};
  EXPECT_EQ(read(ends[0], text, sizeof text), 14);
  close(ends[0]);
  EXPECT_EQ(std::string(text), "rows held back");
  EXPECT_EQ(Slurp(file), "old");
  EXPECT_EQ(Names(), Lines{"kept"});
}

TEST_F(FilesTest, ADescriptorIsWrittenThroughItselfAsTheShellOpenedIt) {
  const std::string file = Put("red.txt", "old\n");
  const ino_t inode = Status(file).st_ino;
  // Opened as ">>" opens: every name of the descriptor appends.
  const int appending = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(appending, 0);
  const std::string fd = std::to_string(appending);
  std::string expected = "old\n";
  for (const std::string& name : {"/dev/fd/" + fd, "/proc/self/fd/" + fd,
                                  "/proc/" + std::to_string(getpid()) + "/fd/" + fd,
                                  "/proc/thread-self/fd/" + fd}) {
    WriteFileAtomically(name, name + "\n");
    expected += name + "\n";
    EXPECT_EQ(Slurp(file), expected);
  }
  close(appending);
  EXPECT_EQ(Status(file).st_ino, inode) << "written in place, never replaced";

  // Opened as ">" opens: the position is the descriptor's, shared.
  const int plain = open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  ASSERT_EQ(write(plain, "abc", 3), 3);
  WriteFileAtomically("/dev/fd/" + std::to_string(plain), "def");
  ASSERT_EQ(write(plain, "ghi", 3), 3);
  close(plain);
  EXPECT_EQ(Slurp(file), "abcdefghi");

  // A pipe behind a descriptor: its link reads "pipe:[N]", no file.
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  WriteFileAtomically("/dev/fd/" + std::to_string(ends[1]), "through the pipe");
  close(ends[1]);
  char text[64] = {};
  EXPECT_EQ(read(ends[0], text, sizeof text), 16);
  close(ends[0]);
  EXPECT_EQ(std::string(text), "through the pipe");

  // A descriptor open only for reading, or not open at all.
  const int reading = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  const int closed = dup(reading);
  close(closed);
  for (const int descriptor : {reading, closed}) {
    const std::string name = "/dev/fd/" + std::to_string(descriptor);
    EXPECT_EQ(Message([&] { WriteFileAtomically(name, "text"); }),
              "Cannot write the file " + name + ": Bad file descriptor");
  }
  close(reading);
  EXPECT_EQ(Slurp(file), "abcdefghi");
  EXPECT_EQ(Names(), Lines{"red.txt"});
}

TEST_F(FilesTest, AFileWithSeveralNamesIsWrittenInPlaceForEveryName) {
  const std::string first = Put("first", "old", 0640), second = Path("second");
  fs::create_hard_link(first, second);
  fs::create_symlink("second", Path("link"));
  const ino_t inode = Status(first).st_ino;
  {
    AtomicFile unfinished(first);
    unfinished.Append("never committed");
  }
  EXPECT_EQ(Slurp(first), "old");
  for (const auto& [name, text] : {std::pair{second, "a longer text than before"},
                                   std::pair{first, "short"}, std::pair{Path("link"), "linked"}}) {
    WriteFileAtomically(name, text);
    EXPECT_EQ(Slurp(first), text) << name;
    EXPECT_EQ(Slurp(second), text) << name;
  }
  EXPECT_EQ(Status(first).st_ino, inode);
  EXPECT_EQ(Status(first).st_nlink, 2u);
  EXPECT_EQ(Mode(first), 0640u);
  EXPECT_EQ(Names(), (Lines{"first", "link", "second"}));
}

TEST_F(FilesTest, NamesUpToTheFoldersLimitAreWrittenAndLongerOnesRefused) {
  const long nameMax = pathconf(dir_.c_str(), _PC_NAME_MAX);
  ASSERT_GT(nameMax, 8);
  // The temporary name adds seven characters to the file's.
  for (const long length : {nameMax - 7, nameMax - 6, nameMax - 1, nameMax}) {
    const std::string name(static_cast<std::size_t>(length), 'n');
    WriteFileAtomically(Path(name), "made");
    WriteFileAtomically(Path(name), "replaced");
    EXPECT_EQ(Slurp(Path(name)), "replaced") << length;
    EXPECT_EQ(Names(), Lines{name}) << length;
    fs::remove(Path(name));
  }
  const std::string tooLong = Path(std::string(static_cast<std::size_t>(nameMax) + 1, 'n'));
  EXPECT_EQ(Message([&] { WriteFileAtomically(tooLong, "text"); }),
            "Cannot write the file " + tooLong + ": File name too long");
  EXPECT_EQ(Names(), Lines{});
}

TEST_F(FilesTest, AReplacedFileKeepsItsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another owner";
  const std::string file = Put("owned", "old");
  ASSERT_EQ(chown(file.c_str(), 4321, 8765), 0);
  // Set after the owner, which clears it; the writer must keep both.
  ASSERT_EQ(chmod(file.c_str(), 02750), 0);
  WriteFileAtomically(file, "new");
  EXPECT_EQ(Slurp(file), "new");
  EXPECT_EQ(Status(file).st_uid, 4321u);
  EXPECT_EQ(Status(file).st_gid, 8765u);
  EXPECT_EQ(Mode(file), 02750u);
  EXPECT_EQ(Names(), Lines{"owned"});
}

// A user who may write in a folder but not give a file to another owner:
// the file is written in place, or not at all when it may not be written.
TEST_F(FilesTest, AFileWhoseOwnerCannotBeKeptIsWrittenInPlaceOrNotAtAll) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  fs::permissions(dir_, fs::perms::all);
  const std::string writable = Put("writable", "old", 0666), readOnly = Put("read-only", "old");
  EXPECT_EQ(SaidAsNobody({[&] { WriteFileAtomically(writable, "new"); },
                          [&] { WriteFileAtomically(readOnly, "new"); }}),
            "no exception\nCannot write the file " + readOnly + ": Permission denied\n");
  EXPECT_EQ(Slurp(writable), "new");
  EXPECT_EQ(Slurp(readOnly), "old");
  for (const std::string& file : {writable, readOnly}) {
    EXPECT_EQ(Status(file).st_uid, 0u) << file;
    EXPECT_EQ(Status(file).st_gid, 0u) << file;
  }
  EXPECT_EQ(Mode(writable), 0666u);
  EXPECT_EQ(Names(), (Lines{"read-only", "writable"}));
}

// One's own file in a folder of another user's, which one may not write:
// no new file can be made beside it, so it is written in place, its text
// waiting in the folder for temporary files until it is whole; a new file
// there is still refused.
TEST_F(FilesTest, AFileInAFolderOneMayNotWriteIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  fs::permissions(dir_, fs::perms::all);
  const fs::path folder = dir_ / "rodir";
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  const std::string mine = Put("rodir/mine.equ", "old text\n"), absent = Path("rodir/new.equ");
  ASSERT_EQ(chown(mine.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(SaidAsNobody({[&] { WriteFileAtomically(mine, "new"); },
                          [&] {
                            AtomicFile unfinished(mine);
                            unfinished.Append("never whole");
                          },
                          [&] { WriteFileAtomically(absent, "new"); }}),
            "no exception\nno exception\nCannot write the file " + absent +
                ": Permission denied\n");
  EXPECT_EQ(Slurp(mine), "new");
  EXPECT_EQ(Status(mine).st_uid, kNobody);
  EXPECT_EQ(Mode(mine), 0644u);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, Lines{"mine.equ"});
}

}  // namespace
}  // namespace vantorb
