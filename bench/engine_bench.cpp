// The engines on heavy runs, and the compiler on large programs.
//
// Each heavy case is compiled, run with the event engine to a late point
// where its values are long, and then a window of iterations is timed with
// each engine from that same state. Counters: iterations and synapse
// evaluations per second and nanoseconds per limb of source value for the
// event engine, its speed-ups over the dense and the reference engine, and
// its cost per limb against plain loops that add two arrays of limbs (the floor).
// VANTORB_BENCH_SMOKE=1 shrinks every window to a quick check that it runs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "engine/engine.hpp"
#include "simulation/network_run.hpp"

namespace {

using namespace vantorb;
using Clock = std::chrono::steady_clock;

bool Smoke() { return std::getenv("VANTORB_BENCH_SMOKE") != nullptr; }

std::string Example(const std::string& name) {
  return std::string(VANTORB_EXAMPLES_DIR) + "/" + name;
}

// The minimization that computes truncated subtraction: the least y with
// x - y = 0, that is x.
std::string MinimizedSubtraction() {
  const auto path = std::filesystem::temp_directory_path() / "vantorb-bench-msub.prv";
  std::ofstream(path) << "add R(U(1,1), C(U(3,3), S))\npred R(W, U(1,2))\n"
                         "sub R(U(1,1), C(U(3,3), pred))\nmsub M(sub)\n";
  return path.string();
}

struct HeavyCase {
  const char* label;
  std::string file;
  std::vector<std::string> arguments;
  int warm;    // iterations before the window
  int window;  // iterations timed
};

// A compiled run advanced to the start of the window.
struct Prepared {
  NParserInterface parser;
  std::unique_ptr<Network> network;
  NetworkRun run;
  ProofObj* tree = nullptr;
};

std::unique_ptr<Prepared> Prepare(const HeavyCase& c, int warm) {
  auto p = std::make_unique<Prepared>();
  p->network = CompileProgramFile(p->parser, c.file);
  p->tree = &p->network->Target();
  p->run.Start(*p->network, c.arguments);
  for (int i = 1; i < warm && p->run.Running(); ++i) p->run.RunIteration();
  return p;
}

struct Timing {
  double seconds = 0;
  std::uint64_t synapses = 0, limbs = 0;
};

Timing TimeWindow(const HeavyCase& c, EngineKind kind, int warm, int window) {
  auto prepared = Prepare(c, warm);
  auto engine = MakeEngine(kind);
  engine->DeferNeuronValues(true);  // nothing reads the neurons in the window
  engine->Bind(*prepared->tree, prepared->network->Io().InputList());
  engine->ComputeNext();  // a first full iteration, left out of the timing
  engine->Commit();
  const std::uint64_t synapsesBefore = engine->SynapseEvaluations();
  const std::uint64_t limbsBefore = engine->LimbsProcessed();
  const auto start = Clock::now();
  for (int i = 0; i < window; ++i) {
    engine->ComputeNext();
    engine->Commit();
  }
  Timing t;
  t.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  t.synapses = engine->SynapseEvaluations() - synapsesBefore;
  t.limbs = engine->LimbsProcessed() - limbsBefore;
  return t;
}

// Nanoseconds per limb of plain loops adding two arrays of limbs: element by
// element (which the compiler vectorises), and as numbers in base 10^8, the
// carry running from the last limb to the first (the least any exact sum of
// such numbers can cost).
struct Floors {
  double elementwise, withCarry;
};

Floors PlainAddNsPerLimb() {
  std::vector<std::uint32_t> a(1 << 16, 12345678), b(1 << 16, 87654321), sum(1 << 16);
  const int rounds = Smoke() ? 2 : 2000;
  auto perLimb = [&](auto&& add) {
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
      add();
      benchmark::DoNotOptimize(sum.data());
      benchmark::ClobberMemory();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return seconds * 1e9 / (static_cast<double>(rounds) * a.size());
  };
  Floors floors;
  floors.elementwise = perLimb([&] {
    for (std::size_t i = 0; i < a.size(); ++i) sum[i] = a[i] + b[i];
  });
  floors.withCarry = perLimb([&] {
    std::uint32_t carry = 0;
    for (std::size_t i = a.size(); i-- > 0;) {
      const std::uint32_t s = a[i] + b[i] + carry;
      carry = s >= 100000000u;
      sum[i] = s - carry * 100000000u;
    }
  });
  return floors;
}

void BM_Engines(benchmark::State& state, HeavyCase c) {
  const int warm = Smoke() ? 50 : c.warm;
  const int window = Smoke() ? 5 : c.window;
  const Floors floor = PlainAddNsPerLimb();
  for (auto _ : state) {
    const Timing event = TimeWindow(c, EngineKind::Event, warm, window);
    const Timing dense = TimeWindow(c, EngineKind::Dense, warm, window);
    const Timing reference = TimeWindow(c, EngineKind::Reference, warm, window);
    state.SetIterationTime(event.seconds);
    const double nsPerLimb = event.seconds * 1e9 / static_cast<double>(event.limbs);
    state.counters["iterations_per_s"] = window / event.seconds;
    state.counters["synapse_evals_per_s"] = event.synapses / event.seconds;
    state.counters["ns_per_limb"] = nsPerLimb;
    state.counters["vs_elementwise_add"] = nsPerLimb / floor.elementwise;
    state.counters["vs_carry_add"] = nsPerLimb / floor.withCarry;
    state.counters["speedup_over_reference"] = reference.seconds / event.seconds;
    state.counters["speedup_over_dense"] = dense.seconds / event.seconds;
  }
}

void RegisterHeavyCases() {
  const HeavyCase cases[] = {
      {"multiplication_99x99", Example("multiplication.prv"), {"99", "99"}, 100000, 1000},
      {"factorial_7", Example("factorial.prv"), {"7"}, 60000, 1000},
      {"power_3^8", Example("power.prv"), {"3", "8"}, 100000, 1000},
      {"minimized_subtraction_40", MinimizedSubtraction(), {"40"}, 150000, 5000},
      {"division_100/7", Example("division.prv"), {"100", "7"}, 300000, 5000},
  };
  for (const auto& c : cases)
    benchmark::RegisterBenchmark((std::string("BM_Engines/") + c.label).c_str(), BM_Engines, c)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

// Compiling n declared functions that each use one small function.
void BM_Compile(benchmark::State& state) {
  const auto functions = state.range(0);
  const auto path = std::filesystem::temp_directory_path() /
                    ("vantorb-bench-compile-" + std::to_string(functions) + ".prv");
  {
    std::ofstream out(path);
    out << "base S\n";
    for (long k = 0; k < functions; ++k) out << "f" << k << " C(base, S)\n";
  }
  double seconds = 0;
  for (auto _ : state) {
    NParserInterface parser;
    const auto start = Clock::now();
    benchmark::DoNotOptimize(CompileProgramFile(parser, path.string()));
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["us_per_function"] =
      seconds * 1e6 / (static_cast<double>(state.iterations()) * functions);
}
BENCHMARK(BM_Compile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  RegisterHeavyCases();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
