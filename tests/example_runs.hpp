#pragma once
// One small run of every example program, for tests that compare two ways
// of computing the same network.

#include <string>
#include <vector>

namespace vantorb::testing {

struct ExampleRun {
  const char* file;  // in examples/
  std::vector<std::string> arguments;
};

inline const std::vector<ExampleRun>& ExampleRuns() {
  static const std::vector<ExampleRun> runs = {
      {"addition.prv", {"3", "2"}},     {"multiplication.prv", {"3", "2"}},
      {"predecessor.prv", {"4"}},       {"subtraction.prv", {"5", "2"}},
      {"factorial.prv", {"3"}},         {"power.prv", {"2", "3"}},
      {"zero_test.prv", {"0"}},         {"minimum.prv", {"3", "5"}},
      {"maximum.prv", {"3", "5"}},      {"division.prv", {"5", "2"}},
      {"remainder.prv", {"5", "2"}},    {"target_first.prv", {"3"}},
  };
  return runs;
}

}  // namespace vantorb::testing
