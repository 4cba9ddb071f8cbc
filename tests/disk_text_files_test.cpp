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
  try {
    files.Read(missing);
    ADD_FAILURE() << "read " << missing;
  } catch (const NeuroException& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot read the file " + missing + ": No such file or directory");
  }
  try {
    files.Write(inMissingFolder, "text");
    ADD_FAILURE() << "wrote " << inMissingFolder;
  } catch (const NeuroException& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot write the file " + inMissingFolder + ": No such file or directory");
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantorb
