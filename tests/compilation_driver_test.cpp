// Compiling program files: the report, the built and named network, what
// each failure leaves behind, and Generate Equations.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

namespace fs = std::filesystem;
using vantorb::testing::SeparatorScope;

class CompileTest : public ::testing::Test {
 protected:

  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::string CompileError(const std::string& file) {
    try {
      CompileProgramFile(parser_, file, &listener_);
    } catch (const NeuroException& e) {
      return e.what();
    }
    return "";
  }

  struct Listener : CompilationListener {
    std::vector<std::string> calls;
    void ProgramOpened() override { calls.push_back("opened"); }
    void TargetUndefined(const std::string& name) override {
      calls.push_back(name + " (undef!)");
    }
    void TargetFound(const ProofObj& target) override {
      calls.push_back(target.Name());
    }
  };

  vantorb::testing::ScratchDir scratch_{"vantorb-compile"};
  const fs::path& dir_ = scratch_.Path();
  NParserInterface parser_;
  Listener listener_;
};

TEST_F(CompileTest, NamedSuccessorGivesItsReportAndFourEquationLines) {
  SeparatorScope scope(",");
  const std::string file = Write("succ.prv", "// successor\r\nf S\r\n");
  const auto network = CompileProgramFile(parser_, file, &listener_);
  const CompilationReport& report = network->Report();
  EXPECT_EQ(report.fileName, "succ.prv");
  EXPECT_EQ(report.targetName, "f");
  EXPECT_EQ(report.statements, 1u);
  EXPECT_EQ(report.lines, 2);
  EXPECT_EQ(report.neurons, 4u);
  EXPECT_EQ(report.synapses, 5u);
  EXPECT_EQ(listener_.calls, (std::vector<std::string>{"opened", "f"}));
  const TargetNetwork& io = network->Io();
  ASSERT_EQ(io.inputNeurons.size(), 2u);
  EXPECT_EQ(io.inputNeurons[0]->Name(), "Ein");
  EXPECT_EQ(io.inputNeurons[1]->Name(), "Edata1");
  EXPECT_EQ(io.outputNeurons[0]->Name(), "XSEout_1_1");
  EXPECT_EQ(io.outputNeurons[1]->Name(), "XSEres_1_3");
  EXPECT_EQ(&network->Target(), network->Table().GetTarget());
  EXPECT_EQ(parser_.symbolTable().Count(), 0u) << "the network took the table";

  const std::vector<std::string> expected{
      "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )",
      "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )",
      "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )",
      "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )",
  };
  EXPECT_EQ(network->Equations(), expected);
}

TEST_F(CompileTest, CompilingTwiceGivesTheSameNetwork) {
  const std::string file = Write("mul.prv",
                                 "add R(U(1,1), C(U(3,3), S))\n"
                                 "mul R(Z, C(U(1,3), U(3,3), add))\n");
  std::vector<CompilationReport> reports;
  std::vector<std::vector<std::string>> lines;
  for (int round = 0; round < 2; ++round) {
    const auto network = CompileProgramFile(parser_, file);
    reports.push_back(network->Report());
    lines.push_back(network->Equations());
  }
  EXPECT_EQ(reports[0].neurons, reports[1].neurons);
  EXPECT_EQ(reports[0].synapses, reports[1].synapses);
  EXPECT_EQ(reports[0].statements, 2u);
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(lines[0].size(), reports[0].neurons);
  for (const auto& line : lines[0]) {
    EXPECT_NE(line.rfind("Ein(", 0), 0u) << "input neurons have no line";
    EXPECT_NE(line.rfind("Edata", 0), 0u) << "input neurons have no line";
  }
}

TEST_F(CompileTest, ArityZeroTargetHasOnlyTheStartNeuron) {
  const auto network = CompileProgramFile(parser_, Write("w.prv", "zero W"));
  ASSERT_EQ(network->Io().inputNeurons.size(), 1u);
  EXPECT_EQ(network->Io().inputNeurons[0]->Name(), "Ein");
}

// A failure hands over no network and leaves nothing half built in the
// parser; only a file that could be opened lets the previous network go.
TEST_F(CompileTest, FailuresHandOverNothingAndSayWhereTheyStopped) {
  struct Case {
    std::string file;
    std::string error;
    std::vector<std::string> calls;
    int line;  // how far the parse got; -1: not asked
  };
  const Case cases[] = {
      {(dir_ / "missing.prv").string(),
       "Cannot open file " + (dir_ / "missing.prv").string() + ": No such file or directory", {},
       -1},
      {dir_.string(), "Cannot open file " + dir_.string() + ": Is a directory", {}, -1},
      {Write("bad.prv", "a S\nb Z\nc W\nd S\ne C(S)\nf S"),
       "Composition must have at least 2 arguments", {"opened"}, 5},
      {Write("undef.prv", "a S #target nothere"), "Target function nothere was not defined",
       {"opened", "nothere (undef!)"}, 1},
      {Write("empty.prv", "// nothing\n"), "The program declares no function", {"opened"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    listener_.calls.clear();
    EXPECT_EQ(CompileError(c.file), c.error);
    EXPECT_EQ(listener_.calls, c.calls);
    if (c.line >= 0) {
      EXPECT_EQ(parser_.lineNumber(), c.line);
    }
    EXPECT_EQ(parser_.symbolTable().Count(), 0u);
    EXPECT_FALSE(parser_.InputOpen());
  }
}

TEST_F(CompileTest, OversizedTargetNetworkIsRefusedBeforeBuilding) {
  const std::string file = Write(
      "big.prv",
      "r R(U(1,99998), U(1,100000))\n"  // arity 99999, about 300000 neurons
      "c2 C(r, r, U(1,2))\nc4 C(c2, c2, U(1,2))\nc8 C(c4, c4, U(1,2))\n"
      "c16 C(c8, c8, U(1,2))\nc32 C(c16, c16, U(1,2))\nc64 C(c32, c32, U(1,2))\n");
  const std::string error = CompileError(file);
  EXPECT_EQ(error.rfind("Target function c64 needs ", 0), 0u) << error;
  EXPECT_EQ(listener_.calls, (std::vector<std::string>{"opened", "c64"}));
}

TEST(BaseFileNameTest, CutsEveryFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"/tmp/x/f.prv", "f.prv"}, {"C:\\dir\\f.PRV", "f.PRV"},
      {"f.prv", "f.prv"},        {"a\\b/c.prv", "c.prv"},
      {"dir/", ""},
  };
  for (const auto& [path, base] : cases) EXPECT_EQ(BaseFileName(path), base);
}

TEST_F(CompileTest, ProgramTextCompilesAsItsFileWould) {
  const std::string text = "// successor\r\nf S\r\n";
  const auto fromFile = CompileProgramFile(parser_, Write("s.prv", text));
  const auto fromText = CompileProgramText(parser_, text, "folder/s.prv");
  EXPECT_EQ(fromText->Equations(), fromFile->Equations());
  EXPECT_EQ(fromText->Report().fileName, "s.prv");
  EXPECT_EQ(fromText->Report().lines, fromFile->Report().lines);
  EXPECT_THROW(CompileProgramText(parser_, "f S\ng C(S)", "bad.prv"), NeuroException);
  EXPECT_FALSE(parser_.InputOpen());
}

TEST(CompileErrorLineTest, ReadsTheLineAMessageNames) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {" Syntax error at line 7", 7},
      {"Weight x is no number (Line 3)", 3},
      {" Syntax error at line 2 (Line 5)", 5},
      {"Target function g was not defined", std::nullopt},
      {"at line x", std::nullopt},
  };
  for (const auto& [message, line] : cases) EXPECT_EQ(CompileErrorLine(message), line) << message;
}

TEST(IsEquationFileNameTest, GoesByTheExtensionInAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"a.equ", true}, {"dir/A.EQU", true}, {".Equ", true},
      {"a.prv", false}, {"equ", false}, {"a.equ.prv", false},
  };
  for (const auto& [name, equations] : cases) EXPECT_EQ(IsEquationFileName(name), equations) << name;
}

}  // namespace
}  // namespace vantorb
