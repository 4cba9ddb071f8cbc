// The run controls and the simulator view without a screen: Compute, the
// ticks with their limit, Step, Finish, Reset, the execution modes, the
// inspection lists and hints, driven on compiled and loaded networks.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.hpp"
#include "fake_view.hpp"
#include "network/exceptions.hpp"
#include "network/value_text.hpp"
#include "simulation/free_memory.hpp"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator keeps its own count (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace vantorb {
namespace {

namespace fs = std::filesystem;
using vantorb::testing::FakeView;
using Strings = std::vector<std::string>;

// A network whose minimization never finds its zero: f(x) = min y with
// y + 1 = 0.
constexpr const char* kEndless = "f M(C(U(2,2), S))";

// Bytes the allocator has handed out and not had back.
std::uint64_t AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

std::string Example(const char* name) { return std::string(VANTORB_EXAMPLES_DIR) + "/" + name; }

class NoFiles : public TextFiles {
 public:
  std::string Read(const std::string& name) override {
    throw NeuroException("Cannot read the file " + name);
  }
  void Write(const std::string& name, const std::string&) override {
    throw NeuroException("Cannot write the file " + name);
  }
};

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.bench = &bench_;
  }

  void Compile(const std::string& program) {
    const fs::path file = dir_ / "p.prv";
    std::ofstream(file, std::ios::binary) << program;
    view_.openChoices.push_back(file.string());
    bench_.Compile();
    ASSERT_TRUE(bench_.Info().neurons != "0") << view_.shown.back();
    view_.shown.clear();
  }
  // A compilation that may fail; the window's messages are kept.
  void CompileText(const std::string& program) {
    const fs::path file = dir_ / "q.prv";
    std::ofstream(file, std::ios::binary) << program;
    view_.openChoices.push_back(file.string());
    bench_.Compile();
  }
  void LoadEquations(const std::string& text) {
    const fs::path file = dir_ / "n.equ";
    std::ofstream(file, std::ios::binary) << text;
    view_.openChoices.push_back(file.string());
    bench_.LoadEquations();
    view_.shown.clear();
  }
  Simulator& sim() { return bench_.Sim(); }
  const Neuron& Output(int i) { return *bench_.Current()->Io().outputNeurons.at(i); }

  vantorb::testing::ScratchDir scratch_{"vantorb-sim"};
  const fs::path& dir_ = scratch_.Path();
  FakeView view_;
  NoFiles files_;
  NParserInterface parser_;
  Workbench bench_{view_, files_, parser_};
};

TEST_F(SimulatorTest, UnaryZeroRunStepByStep) {
  Compile("z Z");
  view_.values = {"5"};
  sim().Compute();
  EXPECT_EQ(view_.iterationText, "1");
  EXPECT_EQ(view_.tab, Tab::Simulator);
  EXPECT_TRUE(view_.computePressed);
  EXPECT_TRUE(view_.runTimerOn);
  EXPECT_EQ(view_.runTimerInterval, 0) << "slider 0: the timer never fires";
  for (const auto& input : bench_.Current()->Io().inputNeurons)
    EXPECT_EQ(input->Value().IntegerPart() + input->Value().Limbs()[0].value, 0);

  sim().Step();
  EXPECT_EQ(view_.iterationText, "2");
  EXPECT_EQ(Output(0).Value().IntegerPart(), 1) << "Eout";
  EXPECT_EQ(view_.result, "0");
  view_.result = "untouched";
  sim().Step();
  EXPECT_EQ(view_.result, "0");
  EXPECT_EQ(view_.tab, Tab::Browser);
  EXPECT_FALSE(view_.computePressed);
  EXPECT_FALSE(view_.runTimerOn);
  EXPECT_EQ(view_.iterationText, "2");
  EXPECT_TRUE(view_.shown.empty());
}

TEST_F(SimulatorTest, LimitStopsAfterExactlyThatManyIterations) {
  Compile("add R(U(1,1), C(U(3,3), S))");  // answers at iteration 31 for 2, 2
  for (const char* step : {"1", "3", "10", "100"}) {
    view_.values = {"2", "2"};
    view_.stopAfterText = "5";
    view_.stepSizeText = step;
    view_.shown.clear();
    sim().Compute();
    for (int ticks = 0; ticks < 10 && view_.computePressed; ++ticks) sim().Step();
    EXPECT_EQ(view_.iterationText, "5") << step;
    EXPECT_EQ(view_.shown, Strings{"error:Iteraction limit exceeded.\n\r Computation Stoped!"});
    EXPECT_EQ(view_.result, "0");
    EXPECT_FALSE(view_.computePressed);
  }
  view_.stopAfterText = "0";  // no limit
  view_.stepSizeText = "100";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.result, "4");
  EXPECT_EQ(view_.iterationText, "31");
}

// Typed, the fields take any 64-bit integer: the largest step size is one
// Step to the end, and a limit past 32 bits lets the run finish.
TEST_F(SimulatorTest, TypedSettingsTakeSixtyFourBits) {
  Compile("add R(U(1,1), C(U(3,3), S))");  // answers at iteration 31 for 2, 2
  struct Case {
    std::string stepSize, stopAfter;
    std::int64_t limit;
  };
  const Case cases[] = {
      {"9223372036854775807", "9223372036854775807", INT64_MAX},
      {"9223372036854775807", "4294967301", 4294967301},
      {"4294967297", "2147483648", 2147483648},
  };
  for (const auto& c : cases) {
    view_.values = {"2", "2"};
    view_.stepSizeText = c.stepSize;
    view_.stopAfterText = c.stopAfter;
    view_.shown.clear();
    sim().Compute();
    sim().Step();
    EXPECT_EQ(view_.shown, Strings{}) << c.stopAfter;
    EXPECT_EQ(view_.result, "4") << c.stopAfter;
    EXPECT_EQ(view_.iterationText, "31") << c.stopAfter;
    EXPECT_FALSE(view_.computePressed) << c.stopAfter;
    EXPECT_EQ(sim().IterationLimit(), c.limit);
    EXPECT_EQ(std::to_string(sim().StepSize()), c.stepSize);
  }
  view_.stopAfterText = "9223372036854775808";
  sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"error:Stop after: '9223372036854775808' is above 9223372036854775807"});
}

TEST_F(SimulatorTest, StepSizeZeroDoesNoIterationButReadsTheFields) {
  Compile("s S");
  view_.values = {"1"};
  view_.stepSizeText = "0";
  sim().Compute();
  view_.stopAfterText = "77";
  sim().Step();
  EXPECT_EQ(view_.iterationText, "1");
  EXPECT_EQ(sim().IterationLimit(), 77);
  EXPECT_TRUE(view_.computePressed);
}

// The label beside the Result field tells a finished result from a
// read-out at the limit and from nothing computed; the field keeps its
// own texts.
TEST_F(SimulatorTest, TheResultFieldSaysWhatItHolds) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  EXPECT_EQ(view_.result, "0");
  EXPECT_EQ(view_.resultKind, ResultKind::NotComputed);
  view_.values = {"2", "30"};
  view_.stopAfterText = "20";
  view_.stepSizeText = "1000";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.shown.back(), std::string("error:") + NetworkRun::kLimitMessage);
  EXPECT_EQ(view_.result, "0");  // the read-out at the limit
  EXPECT_EQ(view_.resultKind, ResultKind::AtLimit);
  view_.stopAfterText = "0";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.result, "32");
  EXPECT_EQ(view_.resultKind, ResultKind::Finished);
  view_.answers.push_back(Answer::Yes);
  sim().ResetRun();
  EXPECT_EQ(view_.result, "");
  EXPECT_EQ(view_.resultKind, ResultKind::NotComputed);
  view_.values = {"2", "x"};
  sim().Compute();
  EXPECT_EQ(view_.resultKind, ResultKind::NotComputed);
}

// The step size and limit typed are those a Step and a timer tick use,
// read as each starts.
TEST_F(SimulatorTest, AStepGoesByTheFieldsTypedBeforeIt) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", "30"};
  sim().Compute();
  const struct {
    const char* stepSize;
    const char* stopAfter;
    bool timer;
    std::int64_t iteration;
  } steps[] = {{"5", "1000", false, 6}, {"20", "1000", true, 26}, {"3", "1000", false, 29},
               {"1000", "40", false, 40}};
  for (const auto& step : steps) {
    view_.stepSizeText = step.stepSize;
    view_.stopAfterText = step.stopAfter;
    if (step.timer) {
      sim().RunTimerTick();
    } else {
      sim().Step();
    }
    EXPECT_EQ(sim().Iteration(), step.iteration) << step.stepSize;
  }
  EXPECT_FALSE(view_.computePressed) << "the limit typed stopped the run";
}

// A Step far longer than a frame goes as fast as Finish, leaping where the
// run allows, and still ends at exactly the iteration it was asked for.
TEST_F(SimulatorTest, ALongStepLeapsYetStopsWhereItWasAsked) {
  Compile("add R(U(1,1), C(U(3,3), S))\nmul R(Z, C(U(1,3), U(3,3), add))");
  view_.values = {"50", "50"};
  view_.stopAfterText = "0";
  view_.stepSizeText = "20000";
  sim().Compute();
  sim().Step();  // past its first frame, 40 ms in, it may leap
  EXPECT_EQ(sim().Iteration(), 1 + 20000);
  EXPECT_TRUE(view_.computePressed);
  view_.stepSizeText = "9223372036854775807";
  sim().Step();
  EXPECT_EQ(view_.result, "2500");
  EXPECT_FALSE(view_.computePressed);
  EXPECT_GT(sim().Iteration(), 1 + 20000);
}

// Waveforms follow every iteration of a run through the engine, Finish
// included; choosing None stops them, and the run goes on at its own pace.
TEST_F(SimulatorTest, WaveformsFollowEveryIterationUntilNoneIsChosen) {
  Compile("add R(U(1,1), C(U(3,3), S))\nmul R(Z, C(U(1,3), U(3,3), add))");
  view_.values = {"12", "10"};
  view_.stopAfterText = "0";
  view_.stepSizeText = "300";
  sim().InspectResults();
  for (const bool none : {false, true}) {
    sim().Compute();
    sim().Step();
    if (none) sim().InspectNone();
    sim().Finish();
    EXPECT_EQ(view_.result, "120");
    std::size_t changes = 0;
    for (const auto& trace : sim().Waves().Traces()) changes += trace.changes.size();
    EXPECT_EQ(sim().Waves().LastIteration(), none ? 301 : sim().Iteration()) << none;
    EXPECT_GT(changes, 10u) << none;
  }
}

TEST_F(SimulatorTest, CheckResultAgainstTheDefinition) {
  bench_.CheckResult();
  EXPECT_EQ(view_.shown, Strings{"warning:Compute a result first."});
  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", "3"};
  view_.stepSizeText = "100";
  sim().Compute();
  sim().Step();
  ASSERT_EQ(view_.result, "5");
  view_.shown.clear();
  bench_.CheckResult();
  EXPECT_EQ(view_.shown, Strings{"information:The definition gives 5 too."});
  // The check takes the arguments the run had, whatever the grid holds now.
  view_.values = {"2", "4"};
  view_.shown.clear();
  bench_.CheckResult();
  EXPECT_EQ(view_.shown, Strings{"information:The definition gives 5 too."});
  LoadEquations("XEout(i+1)=sigma(1.0*Ein(i)+0)\r\nXEres(i+1)=sigma(1.0*Ein(i)+0)\r\n");
  view_.values = {""};
  sim().Compute();
  sim().Step();
  view_.shown.clear();
  bench_.CheckResult();
  EXPECT_EQ(view_.shown, Strings{std::string("warning:") + Workbench::kNoDefinitionToCheck});
  EXPECT_FALSE(view_.checkEnabled) << "an equation file has no definitions";
  EXPECT_EQ(view_.checkWhy, Workbench::kNoDefinitionToCheck);
  Compile("add R(U(1,1), C(U(3,3), S))");
  EXPECT_TRUE(view_.checkEnabled);
}

TEST_F(SimulatorTest, WaveformsRecordTheInspectedNeuronsOfARun) {
  Compile("s S");
  view_.values = {"2"};
  view_.stepSizeText = "10";
  view_.tokenText = "E";
  sim().InspectTypedToken();  // the token "E": the successor's Eout and Eres
  sim().Compute();
  sim().Step();
  const auto& traces = sim().Waves().Traces();
  ASSERT_EQ(traces.size(), 2u);
  EXPECT_EQ(traces[0].name, "XSEout_1_1");
  EXPECT_EQ(traces[1].name, "XSEres_1_3");
  ASSERT_EQ(traces[0].changes.size(), 2u);  // 0 at iteration 1, 1 at 2
  EXPECT_EQ(traces[0].changes[1].iteration, 2);
  EXPECT_EQ(traces[0].changes[1].value, 1.0);
  EXPECT_EQ(traces[1].changes.back().decoded, 3) << "0.1111 codes 3";
  EXPECT_EQ(traces[1].changes.front().decoded, -1) << "0 is no code";
  EXPECT_EQ(sim().Waves().LastIteration(), 2);
  sim().SelectTrace(1);
  EXPECT_EQ(view_.equationText,
            "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )");
  Compile("t Z");  // the traces stay, their neurons are gone
  ASSERT_EQ(sim().Waves().Traces().size(), 2u);
  EXPECT_FALSE(sim().TracesLive());
  view_.equationText = "kept";
  sim().SelectTrace(0);
  EXPECT_EQ(view_.equationText, "kept");
}

TEST_F(SimulatorTest, StepWhileIdleAsksForCompute) {
  view_.tab = Tab::Simulator;
  sim().Step();
  EXPECT_EQ(view_.shown, Strings{"warning: First, you must press compute "});
  EXPECT_EQ(view_.tab, Tab::Browser);
}

TEST_F(SimulatorTest, ComputeWithoutAFunctionOrWithMissingParameters) {
  sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"error:An error ocourred. Did you compile a function ?"});
  EXPECT_FALSE(view_.computePressed);

  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", ""};
  view_.answers.push_back(Answer::No);
  sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"warning:There are parameters missing!\n\rProceed anyway ?"});
  EXPECT_FALSE(view_.computePressed);
  view_.answers.push_back(Answer::Yes);
  view_.stepSizeText = "1000";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.result, "2") << "the empty cell counts as 0";

  Compile("w W");  // no arguments: the grid's unnamed row is ignored
  view_.values = {""};
  view_.shown.clear();
  sim().Compute();
  sim().Step();
  EXPECT_TRUE(view_.shown.empty());
  EXPECT_EQ(view_.result, "0");

}

// An argument that is no natural number is named, nothing runs, and the
// result on view is cleared, so that Check result has nothing old to check.
TEST_F(SimulatorTest, ArgumentsThatAreNoNaturalNumbersAreNamed) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  for (const char* bad : {"abc", "-3", "1e3", "12 ", "+5", "0x1", " 7"}) {
    SCOPED_TRACE(bad);
    view_.values = {"2", "3"};
    view_.stepSizeText = "1000";
    sim().Compute();
    sim().Step();
    ASSERT_EQ(view_.result, "5");
    EXPECT_TRUE(sim().HasResult());
    view_.values = {"4", bad};
    view_.shown.clear();
    sim().Compute();
    EXPECT_EQ(view_.shown,
              Strings{"error:The argument X2, '" + std::string(bad) + "', is not a natural number"});
    EXPECT_EQ(view_.result, "");
    EXPECT_FALSE(view_.computePressed);
    EXPECT_FALSE(sim().HasResult());
    view_.shown.clear();
    bench_.CheckResult();
    EXPECT_EQ(view_.shown, Strings{"warning:Compute a result first."});
  }
}

// Escape stops what runs by itself: the timer of the speed slider too.
TEST_F(SimulatorTest, EscapeStopsARunDrivenByTheSlider) {
  Compile(kEndless);
  view_.values = {"1"};
  sim().AutomaticMode();
  sim().Compute();
  EXPECT_TRUE(view_.runTimerOn);
  sim().Interrupt();
  EXPECT_EQ(view_.slider, 0);
  EXPECT_EQ(view_.runTimerInterval, 0) << "a timer that never fires: the run waits for Step";
  EXPECT_TRUE(view_.computePressed);
  const std::int64_t before = sim().Iteration();
  sim().Step();
  EXPECT_EQ(sim().Iteration(), before + 10) << "Step goes on with the step size";
}

TEST_F(SimulatorTest, HugeArgumentIsRefusedWithItsOwnMessage) {
  Compile("s S");
  view_.values = {"99999999999999999999"};
  sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"error:The argument 99999999999999999999 is too large: at most "
                                 "1000000000000 can be computed"});
  EXPECT_FALSE(view_.computePressed);
  EXPECT_EQ(view_.iterationText, "0");
}

TEST_F(SimulatorTest, ResetAsksAndRestoresTheSettings) {
  Compile("s S");
  view_.values = {"1"};
  view_.stepSizeText = "7";
  view_.stopAfterText = "9";
  sim().Compute();
  view_.answers.push_back(Answer::Cancel);
  sim().ResetRun();
  EXPECT_EQ(view_.shown.back(),
            "warning: Reseting will abort the current computation\n\rAre you sure you want to reset ?");
  EXPECT_TRUE(view_.computePressed);
  view_.answers.push_back(Answer::Yes);
  sim().InspectIn();  // inspecting "in"
  sim().ResetRun();
  EXPECT_FALSE(view_.computePressed);
  EXPECT_EQ(view_.stepSizeText, "1");
  EXPECT_EQ(view_.stopAfterText, "1000");
  EXPECT_EQ(view_.result, "");
  EXPECT_EQ(view_.iterationText, "0");
  EXPECT_EQ(view_.choice, InspectChoice::None);
  EXPECT_EQ(sim().StatusRowCount(), 0u);
  EXPECT_EQ(view_.tab, Tab::Browser);
  view_.answers.push_back(Answer::Yes);
  sim().ResetRun();
  EXPECT_EQ(view_.shown.back(), "warning: Are you sure you want to reset ?");
}

TEST_F(SimulatorTest, ExecutionModesAndTheTimerInterval) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", "5"};
  sim().AutomaticMode();  // Automatic
  EXPECT_EQ(view_.slider, 10);
  EXPECT_EQ(view_.stepSizeText, "10");
  sim().Compute();
  EXPECT_EQ(view_.runTimerInterval, 1);
  EXPECT_TRUE(view_.indicatorOn);
  sim().RunTimerTick();
  EXPECT_EQ(view_.iterationText, "11");
  sim().StepByStepMode();  // Step-by-step during the automatic run
  EXPECT_EQ(view_.runTimerInterval, 1) << "the timer keeps its pace until a tick ends";
  sim().RunTimerTick();
  EXPECT_EQ(view_.iterationText, "12") << "one more tick of one iteration";
  EXPECT_EQ(view_.runTimerInterval, 0) << "then it waits for Step";
  EXPECT_FALSE(view_.indicatorOn) << "a paused run's wheel stands still";
  sim().Step();
  EXPECT_FALSE(view_.indicatorOn);
  for (int p : {1, 5, 10}) {
    view_.slider = p;
    sim().SpeedChanged();
    EXPECT_EQ(view_.runTimerInterval, 1001 - 100 * p);
    EXPECT_TRUE(view_.indicatorOn);
  }
  view_.answers.push_back(Answer::Yes);
  sim().ResetRun();
  EXPECT_FALSE(view_.indicatorOn);
}

TEST_F(SimulatorTest, SpinButtonsWrap) {
  struct Case {
    std::string text;
    int delta;
    bool stopAfter;
    std::string result;
  };
  const Case cases[] = {
      {"32000", 1, true, "1"}, {"1", -1, true, "32000"}, {"999", 1, true, "1000"},
      {"100", 1, false, "1"},  {"1", -1, false, "100"},  {"abc", 1, false, "1"},
      // Typed values at the ends of 64 bits wrap without overflowing.
      {"9223372036854775807", 1, true, "1"}, {"-9223372036854775808", -1, false, "100"},
      {"-9223372036854775808", 1, true, "32000"}, {"4294967297", -1, false, "1"},
      {"9223372036854775808", -1, true, "1"},
  };
  for (const auto& c : cases) {
    if (c.stopAfter) {
      view_.stopAfterText = c.text;
      sim().SpinStopAfter(c.delta);
      EXPECT_EQ(view_.stopAfterText, c.result) << c.text;
    } else {
      view_.stepSizeText = c.text;
      sim().SpinStepSize(c.delta);
      EXPECT_EQ(view_.stepSizeText, c.result) << c.text;
    }
  }
}

TEST_F(SimulatorTest, BadSettingsTextIsReportedOnceAndTheRunGoesOn) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", "2"};
  sim().Compute();
  view_.stepSizeText = "x";
  sim().RunTimerTick();
  sim().RunTimerTick();
  EXPECT_EQ(view_.shown, Strings{"error:Step size: 'x' is not a whole number"});
  EXPECT_TRUE(view_.computePressed);
}

TEST_F(SimulatorTest, FinishRunsToTheEndAndRestoresTheSlider) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  view_.values = {"2", "2"};
  view_.slider = 3;
  sim().Finish();  // idle: nothing
  EXPECT_FALSE(view_.finishPressed);
  sim().Compute();
  sim().Finish();
  EXPECT_EQ(view_.result, "4");
  EXPECT_EQ(view_.iterationText, "31");
  EXPECT_EQ(view_.slider, 3);
  EXPECT_FALSE(view_.finishPressed);
  EXPECT_EQ(view_.tab, Tab::Browser);
}

TEST_F(SimulatorTest, FinishOfARunThatNeverEndsCanBeStopped) {
  Compile("f M(C(U(2,2), S))");  // f(x, y) = y + 1 is never 0
  view_.values = {"1"};
  view_.stopAfterText = "0";
  for (int stop = 0; stop < 3; ++stop) {
    sim().Compute();
    int events = 0;
    // Commands come in as the window runs them.
    view_.onProcessEvents = [&] {
      if (++events < 5) return;
      if (stop == 0) bench_.RunCommand([&] { sim().Interrupt(); });
      if (stop == 1) bench_.RunCommand([&] { sim().Finish(); });  // Finish again
      if (stop == 2) {
        view_.answers.push_back(Answer::Yes);
        bench_.RunCommand([&] { sim().ResetRun(); });
      }
    };
    sim().Finish();
    EXPECT_GE(events, 5);
    EXPECT_FALSE(view_.finishPressed);
    EXPECT_EQ(view_.computePressed, stop != 2) << "Reset also ends the run";
    EXPECT_NE(view_.iterationText, "1") << "progress shows while it runs";
    view_.onProcessEvents = nullptr;
  }
}

TEST_F(SimulatorTest, InspectChangingListsWhatChangesAlwaysListsAll) {
  Compile("s S");
  view_.values = {"3"};
  sim().InspectAlways();
  sim().InspectOut();  // "out", no run yet: nothing to list
  EXPECT_EQ(sim().StatusRowCount(), 0u);
  sim().Compute();
  ASSERT_EQ(sim().StatusRowCount(), 1u);  // always: the successor's "out"
  EXPECT_EQ(sim().StatusCell(0, 0), "XSEout_1_1");
  sim().InspectChanging();  // changing, after a commit: nothing changes
  EXPECT_EQ(sim().StatusRowCount(), 0u);
  sim().Step();        // Eout becomes 1 in this iteration
  ASSERT_EQ(sim().StatusRowCount(), 1u);
  EXPECT_EQ(sim().StatusCell(0, 1), "1.00000000");
  view_.selectedRow = 1;
  sim().StatusWindowClick();
  EXPECT_EQ(view_.equationText, "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )");
  sim().InspectOut();  // pressing the pressed choice releases it
  EXPECT_EQ(view_.choice, InspectChoice::Released);
  sim().InspectNone();
  EXPECT_EQ(view_.choice, InspectChoice::None);
  EXPECT_EQ(view_.tokenText, "");
  EXPECT_EQ(sim().StatusRowCount(), 0u);
  view_.tokenText = "";
  sim().InspectTypedToken();  // "&Set" with an empty field
  EXPECT_EQ(view_.choice, InspectChoice::None);
  sim().InspectAlways();  // shows the token in the field: empty
  view_.tokenText = "XS";
  sim().InspectTypedToken();
  EXPECT_EQ(sim().InspectToken(), "XS");
  EXPECT_EQ(sim().StatusRowCount(), 4u);
}

TEST_F(SimulatorTest, HintsDecodeOutputsUpToFortyCharacters) {
  Compile("s S");
  view_.values = {"3"};
  view_.stepSizeText = "1";
  sim().InspectAlways();
  sim().Compute();
  view_.tokenText = "data";
  sim().InspectTypedToken();  // "XSdata_0_2" holds the code of 3 now
  ASSERT_EQ(sim().InspectedNeurons().size(), 1u);
  EXPECT_EQ(sim().StatusHint(1, 1), "0.11110000 (3)");
  EXPECT_EQ(sim().StatusHint(1, 0), "");
  EXPECT_EQ(sim().StatusHint(0, 1), "");
  EXPECT_EQ(sim().StatusHint(2, 1), "");

  Compile("s S");  // a code that fills its limb
  view_.values = {"7"};
  sim().Compute();
  sim().InspectTypedToken();
  EXPECT_EQ(sim().StatusHint(1, 1), "0.11111111 (7)");

  Compile("s S");  // a long code: 0.1 and 40 ones
  view_.values = {"40"};
  sim().Compute();
  sim().InspectTypedToken();
  const std::string value = sim().StatusValue(0).value_or("");
  ASSERT_GT(value.size(), 40u);
  EXPECT_EQ(sim().StatusHint(1, 1), value.substr(0, 40) + "... (40)");
  EXPECT_EQ(sim().StatusCell(0, 1), "0.1111\u20261 (48 digits)");

  LoadEquations("XAdata(i+1)=sigma(0.5)\r\n");
  view_.values = {""};
  sim().Compute();  // no end neuron: cannot start
  EXPECT_EQ(view_.shown.back(), "error:An error ocourred. Did you compile a function ?");
}

TEST_F(SimulatorTest, LoadedNetworksRunAndOnesWithoutResultStopClearly) {
  LoadEquations(
      "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
      "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )\r\n"
      "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )\r\n"
      "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )\r\n");
  view_.values = {"6"};
  view_.stepSizeText = "5";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.result, "7");

  LoadEquations("XEout(i+1)=sigma(1.0*Ein(i)+0)\r\n");
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.shown, Strings{"error:The network signalled its end but has no result neuron (Eres)"});
  EXPECT_FALSE(view_.computePressed);
}

TEST_F(SimulatorTest, CompilingDuringARunStopsItAndEmptiesTheRows) {
  Compile("s S");
  view_.values = {"2"};
  sim().InspectAlways();
  sim().InspectIn();  // "in"
  sim().Compute();
  ASSERT_GT(sim().StatusRowCount(), 0u);
  const std::string name = sim().StatusCell(0, 0);
  ASSERT_FALSE(name.empty());
  Compile("t Z");
  EXPECT_FALSE(view_.computePressed);
  EXPECT_TRUE(sim().InspectedNeurons().empty());
  EXPECT_EQ(sim().StatusRowCount(), 0u) << "no value of the old network stays on view";
  EXPECT_EQ(sim().StatusCell(0, 0), "");
  EXPECT_EQ(sim().StatusHint(1, 1), "");
  sim().Step();
  EXPECT_EQ(view_.shown.back(), "warning: First, you must press compute ");
}

// Every way the network can go while lists and runs pointed into it; then
// Compute, Step and the timer find nothing to run. Reading a neuron of the
// old network would fail the test under AddressSanitizer.
TEST_F(SimulatorTest, AfterTheNetworkGoesNothingPointsIntoIt) {
  const std::string start = std::string("error:") + NetworkRun::kStartError;
  const std::function<void()> losses[] = {
      [&] { CompileText("f S\ng C(S)"); },
      [&] {
        sim().Compute();  // a run in progress
        CompileText("f S #target g");
      },
      [&] {
        CompileText("f S\ng C(S)");
        view_.answers.push_back(Answer::Yes);
        sim().ResetRun();
      },
      [&] {
        Compile(kEndless);
        sim().Compute();
        int events = 0;
        view_.onProcessEvents = [&] {
          if (++events == 2) bench_.RunCommand([&] { CompileText("// no function"); });
        };
        sim().Finish();
        view_.onProcessEvents = nullptr;
        EXPECT_EQ(events, 2) << "Finish ended when its network went";
      },
  };
  sim().InspectAlways();
  sim().InspectData();
  for (std::size_t i = 0; i < std::size(losses); ++i) {
    SCOPED_TRACE(i);
    Compile("f S");
    view_.values = {"2"};
    view_.stopAfterText = "100000";
    losses[i]();
    EXPECT_EQ(bench_.Current(), nullptr);
    EXPECT_FALSE(view_.computePressed);
    EXPECT_TRUE(sim().InspectedNeurons().empty());
    view_.shown.clear();
    sim().Compute();
    EXPECT_EQ(view_.shown, Strings{start});
    sim().RunTimerTick();
    sim().Step();
    sim().InspectChanging();
    EXPECT_EQ(sim().StatusHint(1, 1), "");
    EXPECT_EQ(view_.shown.back(), "warning: First, you must press compute ");
  }
}

// A load that fails after reading its file leaves the network that was
// there, and it still computes.
TEST_F(SimulatorTest, ALoadFailingHalfwayKeepsTheCurrentNetwork) {
  Compile("add R(U(1,1), C(U(3,3), S))");
  const fs::path file = dir_ / "s.equ";
  std::ofstream(file, std::ios::binary) << "XEout(i+1)=sigma(1.0*Ein(i)+0)\r\n";
  view_.openChoices.push_back(file.string());
  view_.failTreeOnce = true;  // the browser cannot be filled
  bench_.RunCommand([&] { bench_.LoadEquations(); });
  EXPECT_EQ(view_.shown.back().rfind("errorwindow:", 0), 0u);
  ASSERT_NE(bench_.Current(), nullptr);
  EXPECT_EQ(bench_.Current()->Target().Name(), "add");
  view_.values = {"3", "4"};
  view_.stepSizeText = "1000";
  sim().Compute();
  sim().Step();
  EXPECT_EQ(view_.result, "7");
}

TEST_F(SimulatorTest, ClosingTheWindowEndsAFinishThatWouldNeverEnd) {
  Compile(kEndless);
  view_.Type("unsaved");
  view_.values = {"1"};
  view_.stopAfterText = "9000000000000000000";  // far beyond any leap
  sim().Compute();
  int events = 0;
  bool closed = true;
  view_.onProcessEvents = [&] {
    ++events;
    if (events == 2) {  // Cancel: the program, and the run, go on
      view_.answers.push_back(Answer::Cancel);
      closed = bench_.Close();
    }
    if (events == 4) {
      view_.answers.push_back(Answer::No);
      closed = bench_.Close();
    }
  };
  sim().Finish();
  EXPECT_EQ(events, 4);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(view_.computePressed);
  EXPECT_FALSE(view_.finishPressed);
  EXPECT_FALSE(view_.runTimerOn);
  EXPECT_LT(sim().Iteration(), 9000000000000000000);
  EXPECT_EQ(view_.editor, "unsaved");
  // Nothing brings the run back once the window has closed.
  sim().Finish();
  sim().RunTimerTick();
  EXPECT_EQ(events, 4);
}

// A tick of millions of iterations takes events every few milliseconds, so
// that Escape, Reset or a compilation can end it.
TEST_F(SimulatorTest, AHugeStepSizeLetsTheWindowTakeEvents) {
  struct Case {
    const char* label;
    std::function<void()> action;
    bool stillRunning;
  };
  const Case cases[] = {
      {"escape", [&] { sim().Interrupt(); }, true},
      {"reset", [&] {
         view_.answers.push_back(Answer::Yes);
         sim().ResetRun();
       }, false},
      {"compile", [&] { CompileText("g S"); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Compile(kEndless);
    view_.values = {"1"};
    view_.stepSizeText = "3000000";
    view_.stopAfterText = "2000000";  // a tick without events would reach it
    view_.slider = 10;
    sim().Compute();
    int events = 0;
    view_.onProcessEvents = [&] {
      if (++events == 1) bench_.RunCommand(c.action);
    };
    sim().RunTimerTick();
    view_.onProcessEvents = nullptr;
    EXPECT_EQ(events, 1);
    EXPECT_EQ(view_.computePressed, c.stillRunning);
    EXPECT_LT(sim().Iteration(), 2000000);
    for (const auto& shown : view_.shown)
      EXPECT_EQ(shown.find("Iteraction limit"), std::string::npos);
    if (c.stillRunning) {
      view_.stepSizeText = "1";
      sim().SpeedChanged();  // read at once, not at the end of the next tick
      const std::int64_t before = sim().Iteration();
      sim().RunTimerTick();
      EXPECT_EQ(sim().Iteration(), before + 1) << "the next tick goes on";
      view_.answers.push_back(Answer::Yes);
      sim().ResetRun();
    }
  }
}

// An error in the first iteration is shown as it is, not as a missing
// compilation.
TEST_F(SimulatorTest, ComputeShowsTheErrorThatStoppedTheRun) {
  LoadEquations("XEout(i+1) = sigma( 1.0*Ein(i) + 0 )\r\n"
                "XEres(i+1) = sigma( 1.0*Ein(i) + 9223372036854775806 )\r\n");
  sim().Compute();
  EXPECT_EQ(view_.shown, Strings{"error:Number overflow: integer part beyond 2^63 - 2"});
  EXPECT_FALSE(view_.computePressed);
}

// A value of thousands of digits is shown by its ends and digit count; the
// hint and a copy still have what a short value gives.
TEST_F(SimulatorTest, LongValuesShowTheirEndsAndCountInTheStatusWindow) {
  Compile("s S");
  view_.values = {"3000"};
  sim().InspectAlways();
  sim().InspectResults();  // "res": the successor's result neuron
  sim().Compute();
  view_.stepSizeText = "1";
  sim().SpeedChanged();
  sim().Step();
  ASSERT_EQ(sim().StatusRowCount(), 1u);
  const std::string whole = sim().StatusValue(0).value_or("");
  ASSERT_EQ(whole.substr(0, 3), "0.1");
  ASSERT_GT(whole.size(), 3000u);
  // Its first digits, its last significant one and its digit count: what
  // a narrow column has room for.
  EXPECT_EQ(sim().StatusCell(0, 1),
            whole.substr(0, 6) + "\u2026" + whole.substr(whole.find_last_not_of('0'), 1) + " (" +
                std::to_string(whole.size() - 2) + " digits)");
  EXPECT_EQ(sim().StatusHint(1, 1), whole.substr(0, 40) + "... (3001)");
}

// The window at the tool's scale, its data neurons watched: Escape while
// the engine proves a loop ends Finish at once, the proof given up (no
// leap); a Finish afterwards ends with the result and iteration count of
// the tool's run, and the watched values read from the engine, however
// long.
TEST_F(SimulatorTest, FinishAtTheToolsScaleStopsInsideAProofAndEndsAsTheToolDoes) {
  view_.openChoices.push_back(Example("multiplication.prv"));
  bench_.Compile();
  const std::vector<std::string> arguments{"1000000", "1000000"};
  view_.values = arguments;
  view_.stopAfterText = "20000000000000";  // past the end
  sim().InspectAlways();
  sim().InspectData();
  bench_.RunCommand([&] { sim().Compute(); });
  ASSERT_TRUE(view_.computePressed) << view_.shown.back();
  view_.fastLongCalls = true;
  std::int64_t atEscape = -1;
  view_.onProcessEvents = [&] {
    if (atEscape >= 0 || !sim().Deferring()) return;
    atEscape = sim().Iteration();
    bench_.RunCommand([&] { sim().Interrupt(); });
  };
  bench_.RunCommand([&] { sim().Finish(); });
  ASSERT_GE(atEscape, 0) << "no events were taken inside a proof";
  EXPECT_FALSE(sim().FinishPressed());
  EXPECT_TRUE(sim().ComputePressed()) << "Escape ends Finish, not the run";
  EXPECT_EQ(sim().Iteration(), atEscape + 1) << "the pass's own iteration, and no leap";
  view_.fastLongCalls = false;
  view_.onProcessEvents = nullptr;
  bench_.RunCommand([&] { sim().Finish(); });

  NParserInterface parser;
  const auto network = CompileProgramFile(parser, Example("multiplication.prv"));
  NetworkRun tool(EngineKind::Macro);
  ASSERT_EQ(RunToEnd(tool, *network, arguments, 20'000'000'000'000), RunStatus::Finished);
  EXPECT_EQ(view_.result, "1000000000000");
  EXPECT_EQ(view_.result, tool.Result());
  EXPECT_EQ(sim().Iteration(), tool.Iteration());
  // The result neuron's value of a trillion digits, shown short.
  sim().InspectResults();
  bool huge = false;
  for (std::size_t row = 0; row < sim().StatusRowCount(); ++row)
    huge = huge || sim().StatusCell(row, 1).find("(10^12 digits)") != std::string::npos;
  EXPECT_TRUE(huge);
  EXPECT_FALSE(sim().Waves().Leaps().empty()) << "the waveforms went through the leaps";
}

// What a run took goes back when it ends (its proved loops), and what is
// left with Reset (its values): the window holds no more than before.
TEST_F(SimulatorTest, ARunsMemoryGoesBackWhenItEndsAndAtReset) {
  view_.openChoices.push_back(Example("factorial.prv"));
  bench_.Compile();
  view_.values = {"7"};
  view_.stopAfterText = "0";
  GiveFreeMemoryBack();
  const std::uint64_t before = AllocatedBytes();
  std::uint64_t most = before;
  view_.onProcessEvents = [&] { most = std::max(most, AllocatedBytes()); };
  sim().Compute();
  sim().Finish();
  view_.onProcessEvents = nullptr;
  ASSERT_EQ(view_.result, "5040");
  ASSERT_GT(most, before + 1'000'000) << "a run of proved loops takes room";
  const std::uint64_t ended = AllocatedBytes();
  EXPECT_LT(ended, before + (most - before) / 4) << "the loops go with the run's end";
  view_.answers.push_back(Answer::Yes);
  sim().ResetRun();
  EXPECT_LT(AllocatedBytes(), before + 100'000) << "nothing of the run stays after Reset";
  // The network is still there to run again.
  view_.stopAfterText = "0";
  sim().Compute();
  sim().Finish();
  EXPECT_EQ(view_.result, "5040");
}

// Check result evaluates the definition while the window takes events,
// with its progress in the status bar; Escape stops it, and so does any
// command, which runs once the check has returned.
TEST_F(SimulatorTest, CheckResultTakesEventsAndStopsOnEscape) {
  view_.openChoices.push_back(Example("addition.prv"));
  bench_.Compile();
  view_.values = {"10000000", "10000000"};
  view_.stopAfterText = "0";
  sim().Compute();
  sim().Finish();
  ASSERT_EQ(view_.result, "20000000");
  view_.shown.clear();
  int inside = 0;
  view_.onProcessEvents = [&] {
    if (!sim().Deferring() || ++inside > 1) return;
    bench_.RunCommand([&] { sim().Interrupt(); });
  };
  bench_.RunCommand([&] { bench_.CheckResult(); });
  EXPECT_EQ(inside, 1) << "nothing was taken after the stop";
  EXPECT_TRUE(view_.shown.empty()) << view_.shown.front();
  ASSERT_GE(view_.statusMessages.size(), 2u);
  EXPECT_EQ(view_.statusMessages.front().rfind("Checking the result against the definition: ", 0), 0u);
  EXPECT_EQ(view_.statusMessage, "Check result stopped before the definition gave a value.");
  // A compile asked for meanwhile waits for the check, which it ends.
  inside = 0;
  view_.onProcessEvents = [&] {
    if (!sim().Deferring() || ++inside > 1) return;
    view_.openChoices.push_back(Example("factorial.prv"));
    bench_.RunCommand([&] { bench_.Compile(); });
    EXPECT_EQ(bench_.Info().targetName, "add") << "not while the check runs";
  };
  bench_.RunCommand([&] { bench_.CheckResult(); });
  EXPECT_EQ(bench_.Info().targetName, "fact");
  view_.onProcessEvents = nullptr;
}

// Copy value copies a value whole, or says why it cannot: a value of a
// trillion digits is far too long for the clipboard.
TEST_F(SimulatorTest, CopyValueCopiesWholeValuesOrSaysTheyAreTooLong) {
  Compile("s S");
  view_.values = {"1000000000000"};
  sim().InspectAlways();
  sim().InspectData();
  sim().Compute();
  ASSERT_EQ(sim().StatusRowCount(), 1u);
  EXPECT_EQ(sim().StatusCell(0, 1), "0.1111\u20261 (10^12 digits)");
  sim().CopyValue(0);
  EXPECT_EQ(view_.clipboard, "");
  ASSERT_EQ(view_.shown.size(), 1u);
  EXPECT_NE(view_.shown[0].find(" has 1000000000010 characters, too many for the clipboard"),
            std::string::npos)
      << view_.shown[0];
  view_.values = {"12"};
  sim().Compute();
  sim().CopyValue(0);
  EXPECT_EQ(view_.clipboard, "0.1111111111111000");
}

}  // namespace
}  // namespace vantorb
