// The window's files on the disk: what a save and a read give, and the
// messages the window shows when they fail.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "network/exceptions.hpp"
#include "workbench/disk_text_files.hpp"

namespace vantorb {
namespace {

namespace fs = std::filesystem;

TEST(DiskTextFiles, WritesAndReadsBackOrNamesTheFileAndTheReason) {
  const fs::path dir = fs::temp_directory_path() / ("vantorb-disk-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  DiskTextFiles files;
  const std::string program = (dir / "p.prv").string();
  files.Write(program, "f S\r\n");
  files.Write(program, "g S\r\n");
  EXPECT_EQ(files.Read(program), "g S\r\n");

  const std::string missing = (dir / "none.prv").string();
  const std::string inMissingFolder = (dir / "none" / "p.prv").string();
  struct Case {
    bool write;
    std::string file, message;
  };
  const Case cases[] = {
      {false, missing, "Cannot read the file " + missing + ": No such file or directory"},
      {false, dir.string(), "Cannot read the file " + dir.string() + ": Is a directory"},
      {true, inMissingFolder,
       "Cannot write the file " + inMissingFolder + ": No such file or directory"},
      {true, dir.string(), "Cannot write the file " + dir.string() + ": Is a directory"},
  };
  for (const auto& c : cases) {
    try {
      if (c.write) files.Write(c.file, "text"); else files.Read(c.file);
      ADD_FAILURE() << c.file << " did not fail";
    } catch (const NeuroException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantorb
