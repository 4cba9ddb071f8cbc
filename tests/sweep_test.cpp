// Sweeps: the ranges users write, the order of their cross product, and
// runs on several workers that give the same rows as runs one by one, in
// order, also when stopped or failing.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "scratch_dir.hpp"
#include "simulation/network_run.hpp"
#include "simulation/sweep.hpp"

namespace vantorb {
namespace {

std::string Example(const std::string& name) {
  return std::string(VANTORB_EXAMPLES_DIR) + "/" + name;
}

std::vector<std::string> Values(const SweepRange& range) {
  std::vector<std::string> values;
  for (std::uint64_t k = 0; k < range.Count(); ++k) values.push_back(range.At(k));
  return values;
}

TEST(SweepRange, NumbersIntervalsAndListsAsWritten) {
  struct Case {
    std::string text;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"5", {"5"}},
      {"0", {"0"}},
      {"007", {"007"}},  // as written: the run reads it as 7
      {"0..3", {"0", "1", "2", "3"}},
      {"4..4", {"4"}},
      {"08..10", {"8", "9", "10"}},
      {"1,5,9", {"1", "5", "9"}},
      {"2,2,1", {"2", "2", "1"}},
      {"9223372036854775806..9223372036854775807",
       {"9223372036854775806", "9223372036854775807"}},
      // Too large for a run, which refuses it with its own message.
      {"99999999999999999999", {"99999999999999999999"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Values(SweepRange::Parse(c.text)), c.values) << c.text;
  EXPECT_EQ(SweepRange::Parse("0..99999999").Count(), kMaxSweepTuples);
}

TEST(SweepRange, AnythingElseIsRefusedNamingTheText) {
  const std::string forms = " is not a number, A..B or a comma list";
  struct Case {
    std::string text, message;
  };
  const Case cases[] = {
      {"", "range ''" + forms},
      {"x", "range 'x'" + forms},
      {"x..3", "range 'x..3'" + forms},
      {"-1", "range '-1'" + forms},
      {"+1", "range '+1'" + forms},
      {"1.5", "range '1.5'" + forms},
      {" 1", "range ' 1'" + forms},
      {"1..", "range '1..'" + forms},
      {"..3", "range '..3'" + forms},
      {"1...3", "range '1...3'" + forms},
      {"1..2..3", "range '1..2..3'" + forms},
      {"1..3,5", "range '1..3,5'" + forms},
      {"1,,2", "range '1,,2'" + forms},
      {",1", "range ',1'" + forms},
      {"1,", "range '1,'" + forms},
      {"3..1", "range '3..1' ends before it starts"},
      {"0..100000000", "range '0..100000000' has more than 100000000 numbers"},
      {"1..9223372036854775808", "range '1..9223372036854775808' goes beyond 9223372036854775807"},
  };
  for (const auto& c : cases) {
    try {
      SweepRange::Parse(c.text);
      ADD_FAILURE() << c.text << " was taken";
    } catch (const ArgumentError& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
  }
}

std::vector<SweepRange> Ranges(const std::vector<std::string>& texts) {
  std::vector<SweepRange> ranges;
  for (const auto& text : texts) ranges.push_back(SweepRange::Parse(text));
  return ranges;
}

TEST(SweepTuples, TheFirstRangeChangesSlowestTheLastFastest) {
  const SweepTuples tuples(Ranges({"0..1", "5,6", "7"}));
  ASSERT_EQ(tuples.Count(), 4u);
  EXPECT_EQ(tuples.Arity(), 3u);
  const std::vector<std::vector<std::string>> expected = {
      {"0", "5", "7"}, {"0", "6", "7"}, {"1", "5", "7"}, {"1", "6", "7"}};
  for (std::uint64_t k = 0; k < tuples.Count(); ++k) EXPECT_EQ(tuples.At(k), expected[k]) << k;

  const SweepTuples none(Ranges({}));
  EXPECT_EQ(none.Count(), 1u);
  EXPECT_EQ(none.At(0), std::vector<std::string>{});

  EXPECT_EQ(SweepTuples(Ranges({"1..10000", "1..10000"})).Count(), kMaxSweepTuples);
  for (const auto& texts : {std::vector<std::string>{"0..10000", "1..10000"},
                            std::vector<std::string>{"0..99999999", "0..99999999", "0..99"}}) {
    try {
      SweepTuples tuples(Ranges(texts));
      ADD_FAILURE() << texts.size() << " ranges taken";
    } catch (const ArgumentError& error) {
      EXPECT_EQ(error.Message(),
                "the ranges make more than 100000000 tuples, the most a sweep takes");
    }
  }
}

// What a sweep delivered.
struct Swept {
  std::vector<SweepRow> rows;
  std::vector<std::uint64_t> progress;
  SweepOutcome outcome;
};

Swept RunSweep(const std::string& file, const std::vector<std::string>& ranges,
               SweepOptions options) {
  Swept swept;
  options.row = [&swept](const SweepRow& row) { swept.rows.push_back(row); };
  options.progress = [&swept](std::uint64_t done, std::uint64_t) {
    swept.progress.push_back(done);
  };
  swept.outcome = Sweep(NetworkSource::FromFile(file), SweepTuples(Ranges(ranges)), options);
  return swept;
}

// The same tuple run on its own, as `vantorb-cli run` does.
SweepRow RunAlone(const std::string& file, const std::vector<std::string>& arguments,
                  EngineKind engine, std::int64_t limit) {
  NParserInterface parser;
  const std::unique_ptr<Network> network = LoadNetworkFile(parser, file);
  NetworkRun run(engine);
  const RunStatus status = RunToEnd(run, *network, arguments, limit);
  SweepRow row;
  row.arguments = arguments;
  row.iterations = run.Iteration();
  row.status = status == RunStatus::Finished ? SweepStatus::Done : SweepStatus::Limit;
  if (status == RunStatus::Finished) row.result = run.Result();
  return row;
}

TEST(Sweep, RowsAreThoseOfSeparateRunsInArgumentOrderWhateverTheWorkers) {
  struct Case {
    std::string file;
    std::vector<std::string> ranges;
    EngineKind engine;
    std::int64_t limit;
  };
  const Case cases[] = {
      {Example("multiplication.prv"), {"0..3", "2,5"}, EngineKind::Macro, 100000},
      {Example("multiplication.prv"), {"0..3", "2,5"}, EngineKind::Event, 100000},
      // Some runs stopped by the limit, some not.
      {Example("addition.prv"), {"0..4", "1,2"}, EngineKind::Event, 25},
      {Example("factorial.prv"), {"0..4"}, EngineKind::Macro, 1000000},
  };
  for (const auto& c : cases) {
    const SweepTuples tuples(Ranges(c.ranges));
    for (unsigned jobs : {1u, 3u, 64u}) {
      SweepOptions options;
      options.jobs = jobs;
      options.engine = c.engine;
      options.limit = c.limit;
      const Swept swept = RunSweep(c.file, c.ranges, options);
      const std::string label = c.file + " jobs " + std::to_string(jobs);
      EXPECT_FALSE(swept.outcome.stopped) << label;
      EXPECT_EQ(swept.outcome.rows, tuples.Count()) << label;
      ASSERT_EQ(swept.rows.size(), tuples.Count()) << label;
      for (std::uint64_t k = 0; k < tuples.Count(); ++k) {
        const SweepRow alone = RunAlone(c.file, tuples.At(k), c.engine, c.limit);
        const SweepRow& row = swept.rows[k];
        EXPECT_EQ(row.index, k) << label;
        EXPECT_EQ(row.arguments, alone.arguments) << label << " " << k;
        EXPECT_EQ(row.result, alone.result) << label << " " << k;
        EXPECT_EQ(row.iterations, alone.iterations) << label << " " << k;
        EXPECT_EQ(row.status, alone.status) << label << " " << k;
      }
      // Progress only grows, to the total.
      ASSERT_FALSE(swept.progress.empty()) << label;
      for (std::size_t k = 1; k < swept.progress.size(); ++k)
        EXPECT_LT(swept.progress[k - 1], swept.progress[k]) << label;
      EXPECT_EQ(swept.progress.back(), tuples.Count()) << label;
    }
  }
}

class SweepStop : public ::testing::Test {
 protected:
  // f(0) = 0 at once; f(x) for x > 0 never answers.
  std::string Some() {
    std::ofstream(scratch_.Path() / "some.prv") << "f M(U(1,2))";
    return (scratch_.Path() / "some.prv").string();
  }
  testing::ScratchDir scratch_{"vantorb-sweep"};
};

TEST_F(SweepStop, AStopRequestKeepsAnInOrderPrefixAndCutsTheRunsGoingOn) {
  const std::string file = Some();
  for (unsigned jobs : {1u, 3u}) {
    SweepOptions options;
    options.jobs = jobs;
    options.engine = EngineKind::Event;  // goes step by step: never at the limit
    options.limit = 1'000'000'000'000;
    std::vector<SweepRow> rows;
    options.row = [&rows](const SweepRow& row) { rows.push_back(row); };
    // Asked on this thread only, every 20 ms: a while after the first two
    // rows came, tuple 2 has long been taken and never ends.
    int asked = 0;
    options.stop = [&rows, &asked] { return rows.size() >= 2 && ++asked > 25; };
    const SweepOutcome outcome =
        Sweep(NetworkSource::FromFile(file), SweepTuples(Ranges({"0,0,1,0,0"})), options);
    const std::string label = "jobs " + std::to_string(jobs);
    EXPECT_TRUE(outcome.stopped) << label;
    EXPECT_EQ(outcome.rows, rows.size()) << label;
    // Tuples 3 and 4 may have been reached by other workers.
    ASSERT_GE(rows.size(), 3u) << label;
    if (jobs == 1) {
      EXPECT_EQ(rows.size(), 3u);
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
      EXPECT_EQ(rows[k].index, k) << label;
      if (k != 2) {
        EXPECT_EQ(rows[k].result, rows[k].status == SweepStatus::Done
                                      ? std::optional<std::string>("0")
                                      : std::nullopt)
            << label << " " << k;
      }
    }
    EXPECT_EQ(rows[0].status, SweepStatus::Done) << label;
    EXPECT_EQ(rows[1].status, SweepStatus::Done) << label;
    EXPECT_EQ(rows[2].status, SweepStatus::Stopped) << label;
    EXPECT_EQ(rows[2].result, std::nullopt) << label;
    EXPECT_GT(rows[2].iterations, 0) << label;
    EXPECT_STREQ(SweepStatusName(rows[2].status), "stopped");
  }
}

NetworkSource Source(const std::string& name) { return NetworkSource::FromFile(Example(name)); }

TEST(Sweep, AnErrorInARunEndsTheSweepOnceAfterTheRowsBeforeIt) {
  // A network that signals its end at once for any argument from 1 on, and
  // has no result neuron to read: those runs fail; 0 runs to the limit.
  const NetworkSource noResult{"XAdata(i+1) = sigma( 1.0*Edata1(i) + 0 )\r\n"
                               "XEout(i+1) = sigma( 10.0*XAdata(i) + -0.1 )\r\n",
                               "n.equ", SourceKind::Equations};
  for (unsigned jobs : {1u, 2u, 4u}) {
    SweepOptions options;
    options.jobs = jobs;
    options.limit = 100;
    std::vector<SweepRow> rows;
    options.row = [&rows](const SweepRow& row) { rows.push_back(row); };
    const std::string label = "jobs " + std::to_string(jobs);
    try {
      Sweep(noResult, SweepTuples(Ranges({"0,1,0,0"})), options);
      ADD_FAILURE() << label << ": no error";
    } catch (const NeuroException& error) {
      EXPECT_EQ(error.Message(), NetworkRun::kNoResultError) << label;
    }
    // Tuple 0 when it had finished; never one after the failing tuple.
    ASSERT_LE(rows.size(), 1u) << label;
    if (!rows.empty()) {
      EXPECT_EQ(rows[0].status, SweepStatus::Limit) << label;
    }
  }
}

// Every argument, the workers and the program are checked before any run,
// the refusal naming the tuple or the range.
TEST(Sweep, ArgumentsWorkersAndProgramAreCheckedBeforeAnyRun) {
  SweepOptions options;
  options.limit = 1000;
  int rows = 0;
  options.row = [&rows](const SweepRow&) { ++rows; };
  const auto refusal = [&](const NetworkSource& source, const ArgumentTuples& tuples) {
    try {
      Sweep(source, tuples, options);
    } catch (const ArgumentError& error) {
      return error.Message();
    }
    return std::string("no ArgumentError");
  };
  EXPECT_EQ(refusal(Source("predecessor.prv"), SweepTuples(Ranges({"3,1000000000001,2"}))),
            "range '3,1000000000001,2': the argument 1000000000001 is too large: at most "
            "1000000000000 can be computed");
  EXPECT_EQ(refusal(Source("addition.prv"), SweepTuples(Ranges({"0..5", "999999999999..1000000000001"}))),
            "range '999999999999..1000000000001': the argument 1000000000001 is too large: at "
            "most 1000000000000 can be computed");
  EXPECT_EQ(refusal(Source("addition.prv"),
                    TupleList({{"1", "2"}, {"3", "4"}, {"10000000000000", "1"}, {"5", "6"}})),
            "tuple 2 (10000000000000, 1): the argument 10000000000000 is too large: at most "
            "1000000000000 can be computed");
  options.engine = EngineKind::Dense;  // values in neurons: 10^8 at most
  EXPECT_EQ(refusal(Source("predecessor.prv"), TupleList({{"7"}, {"100000001"}})),
            "tuple 1 (100000001): the argument 100000001 is too large: at most 100000000 can be "
            "computed");
  options.engine = EngineKind::Macro;
  EXPECT_EQ(refusal(Source("addition.prv"), SweepTuples(Ranges({"1"}))),
            "add takes 2 arguments, 1 given");
  options.jobs = kMaxSweepJobs + 1;
  EXPECT_EQ(refusal(Source("predecessor.prv"), SweepTuples(Ranges({"1"}))),
            "a sweep takes at most 1024 workers, not 1025");
  EXPECT_THROW(Sweep(Source("nowhere.prv"), SweepTuples(Ranges({"1"})), options), NeuroException);
  EXPECT_EQ(rows, 0);
  // Tuples given one by one must be alike.
  EXPECT_THROW(TupleList({{"1", "2"}, {"3"}}), ArgumentError);
  EXPECT_THROW(TupleList({{"1"}, {"-3"}}), ArgumentError);
}

TEST(Sweep, WhatACallbackThrowsStopsTheWorkersAndGoesOn) {
  // Many runs still to go when the second row comes: the workers must be
  // stopped and joined before the exception leaves.
  for (unsigned jobs : {1u, 4u}) {
    SweepOptions options;
    options.jobs = jobs;
    options.limit = 100000;
    int rows = 0;
    options.row = [&rows](const SweepRow&) {
      if (++rows == 2) throw std::runtime_error("no room for rows");
    };
    EXPECT_THROW(Sweep(Source("addition.prv"), SweepTuples(Ranges({"0..200", "0..5"})), options),
                 std::runtime_error)
        << jobs;
    EXPECT_EQ(rows, 2) << jobs;
  }
}

}  // namespace
}  // namespace vantorb
