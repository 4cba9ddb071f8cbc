// Text files: line endings, reading whole files, and the atomic writer with
// what it must keep of the file it replaces (permissions, symbolic links,
// the old text on failure) and what it must leave alone (the umask).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
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
      {[&] { ReadTextLines(missing); }, "Cannot open file " + missing},
      {[&] { ReadTextLines(folder); }, "Cannot open file " + folder},
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

}  // namespace
}  // namespace vantorb
