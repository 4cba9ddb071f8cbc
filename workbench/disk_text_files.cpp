#include "workbench/disk_text_files.hpp"

#include "network/text_lines.hpp"

namespace vantorb {

std::string DiskTextFiles::Read(const std::string& fileName) { return ReadTextFile(fileName); }

void DiskTextFiles::Write(const std::string& fileName, const std::string& text) {
  WriteFileAtomically(fileName, text);
}

}  // namespace vantorb
