#pragma once
// TextFiles on the disk, as the window reads and saves programs and
// equation files: read whole by ReadTextFile (a device or a pipe is
// refused), written through an AtomicFile, so a failed save leaves the old
// file whole, keeps its owner, permissions and hard links and writes
// through a symbolic link. Messages: "Cannot read the file NAME: reason",
// "Cannot write the file NAME: reason".

#include "workbench/workbench_view.hpp"

namespace vantorb {

class DiskTextFiles : public TextFiles {
 public:
  std::string Read(const std::string& fileName) override;
  void Write(const std::string& fileName, const std::string& text) override;
};

}  // namespace vantorb
