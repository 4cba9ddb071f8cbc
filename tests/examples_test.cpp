// The example programs in examples/: each one compiles, names the intended
// target, declares the stated number of functions, and its network computes
// the function its header promises, started again and again on the same
// network. Every example file has a row here, and every row a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <numeric>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "pulse_harness.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;
using Args = std::vector<int>;

// What the examples compute, written out plainly in C++.
int Add(const Args& a) { return a[0] + a[1]; }
int Mul(const Args& a) { return a[0] * a[1]; }
int Pred(const Args& a) { return a[0] > 0 ? a[0] - 1 : 0; }
int Sub(const Args& a) { return a[0] > a[1] ? a[0] - a[1] : 0; }
int Factorial(const Args& a) {
  int f = 1;
  for (int k = 2; k <= a[0]; ++k) f *= k;
  return f;
}
int Power(const Args& a) {
  int p = 1;
  for (int k = 0; k < a[1]; ++k) p *= a[0];
  return p;
}
int IsZero(const Args& a) { return a[0] == 0 ? 1 : 0; }
int Min(const Args& a) { return std::min(a[0], a[1]); }
int Max(const Args& a) { return std::max(a[0], a[1]); }
// The examples take the quotient by 0 to be 0, and so the remainder to be x.
int Div(const Args& a) { return a[1] == 0 ? 0 : a[0] / a[1]; }
int Rem(const Args& a) { return a[1] == 0 ? a[0] : a[0] % a[1]; }
int Double(const Args& a) { return 2 * a[0]; }
int Triangular(const Args& a) { return a[0] * (a[0] + 1) / 2; }
int SquareRoot(const Args& a) {
  int r = 0;
  while ((r + 1) * (r + 1) <= a[0]) ++r;
  return r;
}
int Gcd(const Args& a) { return std::gcd(a[0], a[1]); }

struct ExampleCase {
  std::string file;
  std::string target;
  std::size_t statements;  // functions the file declares
  int (*expected)(const Args&);
  std::vector<Args> arguments;
};

// Failure messages name the file rather than dump the row's bytes.
void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.file; }

const std::vector<ExampleCase>& Examples() {
  static const std::vector<ExampleCase> cases = {
      {"addition.prv", "add", 1, Add, {{0, 0}, {2, 3}, {4, 1}, {0, 2}}},
      {"multiplication.prv", "mul", 2, Mul,
       {{0, 3}, {3, 0}, {2, 3}, {3, 2}, {1, 1}}},
      {"predecessor.prv", "pred", 1, Pred, {{0}, {1}, {5}}},
      {"subtraction.prv", "sub", 2, Sub, {{5, 2}, {2, 5}, {3, 3}, {4, 0}}},
      {"factorial.prv", "fact", 4, Factorial, {{0}, {1}, {2}, {3}, {4}}},
      {"power.prv", "pow", 3, Power,
       {{2, 3}, {3, 2}, {0, 0}, {4, 1}, {0, 2}, {5, 0}}},
      {"zero_test.prv", "iszero", 2, IsZero, {{0}, {1}, {3}}},
      {"minimum.prv", "min", 3, Min, {{3, 5}, {5, 3}, {0, 4}, {2, 2}}},
      {"maximum.prv", "max", 4, Max, {{3, 5}, {5, 3}, {0, 0}, {4, 0}}},
      {"division.prv", "div", 12, Div,
       {{7, 2}, {6, 3}, {1, 2}, {0, 3}, {5, 1}, {3, 0}}},
      {"remainder.prv", "rem", 10, Rem,
       {{7, 2}, {6, 3}, {5, 3}, {2, 3}, {3, 0}}},
      {"target_first.prv", "double", 3, Double, {{0}, {1}, {4}}},
      {"triangular.prv", "tri", 2, Triangular, {{0}, {1}, {4}}},
      {"square_root.prv", "isqrt", 9, SquareRoot, {{0}, {3}, {4}, {10}}},
      {"gcd.prv", "gcd", 17, Gcd, {{2, 4}, {3, 0}, {0, 2}, {0, 0}}},
  };
  return cases;
}

std::string ExamplePath(const std::string& file) {
  return std::string(VANTORB_EXAMPLES_DIR) + "/" + file;
}

std::string Label(const ExampleCase& c, const Args& args) {
  std::string label = c.file + ": " + c.target + "(";
  for (std::size_t k = 0; k < args.size(); ++k)
    label += (k ? ", " : "") + std::to_string(args[k]);
  return label + ")";
}

TEST(Examples, EveryFileHasARowAndEveryRowAFile) {
  std::set<std::string> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(VANTORB_EXAMPLES_DIR))
    if (entry.path().extension() == ".prv")
      files.insert(entry.path().filename().string());
  std::set<std::string> rows;
  for (const auto& c : Examples()) rows.insert(c.file);
  EXPECT_EQ(files, rows);
  EXPECT_GE(files.size(), 12u);
}

class ExampleProgram : public ::testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleProgram, CompilesAndComputesWhatItsHeaderSays) {
  const ExampleCase& c = GetParam();
  NParserInterface parser;
  std::unique_ptr<Network> network;
  try {
    network = CompileProgramFile(parser, ExamplePath(c.file));
  } catch (const NeuroException& e) {
    FAIL() << c.file << " does not compile: " << e.what();
  }
  const CompilationReport& report = network->Report();
  EXPECT_EQ(report.fileName, c.file);
  EXPECT_EQ(report.targetName, c.target);
  EXPECT_EQ(report.statements, c.statements);
  EXPECT_GT(report.neurons, 0u);

  ProofObj* target = &network->Target();
  EXPECT_EQ(target->Name(), c.target);
  EXPECT_EQ(static_cast<std::size_t>(target->Arity()),
            c.arguments.front().size());
  ASSERT_EQ(network->Io().inputNeurons.size(), c.arguments.front().size() + 1)
      << "one start neuron and one neuron per argument";

  PulseHarness h(*target, network->Io());
  for (const auto& args : c.arguments) {
    const std::string label = Label(c, args);
    const PulseRun run = h.Run(args, 2'000'000);  // one network, restarted
    ASSERT_TRUE(run.doneStep.has_value()) << label << ": no done pulse";
    EXPECT_EQ(run.result, std::to_string(c.expected(args))) << label;
    EXPECT_TRUE(run.resultIsCode) << label;
    EXPECT_TRUE(run.restAfter) << label << ": not at rest after the answer";
  }
}

// Test names from the file names: "zero_test.prv" runs as "zero_test".
INSTANTIATE_TEST_SUITE_P(
    Examples, ExampleProgram, ::testing::ValuesIn(Examples()),
    [](const ::testing::TestParamInfo<ExampleCase>& info) {
      std::string name = info.param.file.substr(0, info.param.file.find('.'));
      std::replace_if(
          name.begin(), name.end(),
          [](unsigned char ch) { return !std::isalnum(ch); }, '_');
      return name;
    });

// The target named before its definition wins over the function declared
// last: the last function of target_first.prv, quadruple, stays unused.
TEST(Examples, TargetNamedBeforeItsDefinitionIsNotTheLastFunction) {
  NParserInterface parser;
  const auto network = CompileProgramFile(parser, ExamplePath("target_first.prv"));
  const SymbolTable& table = network->Table();
  ASSERT_GE(table.Count(), 2u);
  EXPECT_EQ(table.TargetName(), "double");
  EXPECT_NE(table.Entry(table.Count() - 1).Name(), "double");
  EXPECT_EQ(table.GetTarget(), table.Find("double"));
}

}  // namespace
}  // namespace vantorb
