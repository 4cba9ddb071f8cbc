#pragma once
// TextFiles on the disk: reading with QFile, writing with QSaveFile so that
// a failed or interrupted save leaves the old file whole.

#include "workbench/workbench_view.hpp"

namespace vantorb {

class QtTextFiles : public TextFiles {
 public:
  std::string Read(const std::string& fileName) override;
  void Write(const std::string& fileName, const std::string& text) override;
};

}  // namespace vantorb
