#pragma once
// Sets the process-wide decimal separator for one test and restores it.

#include <string>

#include "network/utils.hpp"

namespace vantorb::testing {

class SeparatorScope {
 public:
  explicit SeparatorScope(std::string separator)
      : saved_(decimalSeparator) {
    decimalSeparator = std::move(separator);
  }
  ~SeparatorScope() { decimalSeparator = saved_; }
  SeparatorScope(const SeparatorScope&) = delete;
  SeparatorScope& operator=(const SeparatorScope&) = delete;

 private:
  std::string saved_;
};

}  // namespace vantorb::testing
