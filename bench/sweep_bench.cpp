// What running a sweep's tuples on two workers gains over running the same
// runs one after another, in one process: 64 multiplications of arguments
// around 100 to 200 under the event engine, tens of milliseconds each.
// Prints the wall time of each way, the best of three, its ratio to the
// runs one after another (0.5 is the most two processors can give) and the
// processor time all its threads took, which tells a machine busy with
// other work from a sweep that does more work than the runs alone. The rows of every way must equal those of the runs one by one, or
// the program fails (status 1). VANTORB_BENCH_SMOKE=1 runs four small
// multiplications, to check that the program works; timings are never
// asserted anywhere.
//
// sweep_bench

#include <chrono>
#include <cstdint>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "simulation/network_run.hpp"
#include "simulation/sweep.hpp"

namespace {

using namespace vantorb;

struct Outcome {
  std::string result;
  std::int64_t iterations = 0;
  bool operator==(const Outcome&) const = default;
};

// The runs one after another on one network, as a loop over `run` would.
std::vector<Outcome> OneAfterAnother(const std::string& file, const SweepTuples& tuples) {
  NParserInterface parser;
  const std::unique_ptr<Network> network = LoadNetworkFile(parser, file);
  std::vector<Outcome> outcomes;
  NetworkRun run(EngineKind::Event);
  for (std::uint64_t k = 0; k < tuples.Count(); ++k) {
    RunToEnd(run, *network, tuples.At(k), 0);
    outcomes.push_back({run.Result(), run.Iteration()});
  }
  return outcomes;
}

std::vector<Outcome> Swept(const std::string& file, const SweepTuples& tuples, unsigned jobs) {
  std::vector<Outcome> outcomes;
  SweepOptions options;
  options.jobs = jobs;
  options.engine = EngineKind::Event;
  options.row = [&outcomes](const SweepRow& row) {
    outcomes.push_back({row.result.value_or("none"), row.iterations});
  };
  Sweep(NetworkSource::FromFile(file), tuples, options);
  return outcomes;
}

struct Seconds {
  double wall = 0, processor = 0;  // the processor time of every thread
};

// The round of three calls with the best wall time, and what the last gave.
Seconds Best(const std::function<std::vector<Outcome>()>& way, std::vector<Outcome>& outcomes) {
  Seconds best;
  for (int round = 0; round < 3; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t processorStart = std::clock();
    outcomes = way();
    const Seconds seconds{
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
        static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC};
    if (round == 0 || seconds.wall < best.wall) best = seconds;
  }
  return best;
}

void Print(const std::string& way, Seconds seconds, Seconds alone) {
  std::cout << std::left << std::setw(20) << way << std::right << std::setw(8) << seconds.wall
            << " s wall (ratio " << seconds.wall / alone.wall << "), " << seconds.processor
            << " s processor\n";
}

}  // namespace

int main() {
  const bool smoke = std::getenv("VANTORB_BENCH_SMOKE") != nullptr;
  const std::string file = std::string(VANTORB_EXAMPLES_DIR) + "/multiplication.prv";
  try {
    std::vector<SweepRange> ranges;
    ranges.push_back(SweepRange::Parse(smoke ? "2..3" : "100..107"));
    ranges.push_back(SweepRange::Parse(smoke ? "4,5" : "100,110,120,130,140,150,160,170"));
    const SweepTuples tuples(std::move(ranges));

    std::vector<Outcome> alone, one, two;
    const Seconds aloneSeconds = Best([&] { return OneAfterAnother(file, tuples); }, alone);
    const Seconds oneSeconds = Best([&] { return Swept(file, tuples, 1); }, one);
    const Seconds twoSeconds = Best([&] { return Swept(file, tuples, 2); }, two);
    if (one != alone || two != alone) {
      std::cerr << "the sweeps' rows differ from the runs one by one\n";
      return 1;
    }
    std::cout << std::fixed << std::setprecision(3) << tuples.Count()
              << " multiplications under the event engine, best of three\n";
    Print("one after another", aloneSeconds, aloneSeconds);
    Print("sweep, 1 worker", oneSeconds, aloneSeconds);
    Print("sweep, 2 workers", twoSeconds, aloneSeconds);
  } catch (const NeuroException& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
