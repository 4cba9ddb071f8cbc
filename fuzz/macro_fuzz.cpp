// The macro-step engine against the event engine on networks built from
// the input: a small random program or a random equation network with
// long arguments (so that runs of equal limbs form and the macro engine
// proves loops and leaps), run to a limit read from the input (often one
// that falls inside a leap) with nobody watching. Any difference in
// status, iteration count, result, thrown message or any neuron's exact
// value aborts.
//
// The work one input may take is bounded, so that a fuzz run stops only on
// a real fault, never on a timeout under the sanitizers: runs stop at
// 50000 iterations; a run whose values grow long is cut at the iteration
// the event engine reached when it had read a budget of limbs; and the
// macro engine proves every loop it sees only until its proofs have taken
// a budget of neuron updates, then as it would in any run. A proof costs
// some two dozen updates per neuron and iteration of the loop's period,
// with every run length of the state an unknown; a network of a few dozen
// neurons whose values are short runs of digits has many loops of one
// period each, and proving every one of them took many times the
// iterations' own work (seed input-3).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "fuzz/input_bytes.hpp"
#include "tests/macro_runs.hpp"

namespace {

using namespace vantorb;

using Bytes = fuzzing::InputBytes;

constexpr std::int64_t kMostIterations = 50'000;
constexpr std::uint64_t kMostLimbs = 20'000'000;
constexpr std::int64_t kMostEagerProofWork = 100'000;

// Limits of every size, small ones and ones past the run's end among them.
std::int64_t Limit(Bytes& bytes) {
  const std::int64_t scale[] = {1, 4, 16, 64};
  const std::int64_t limit = 1 + static_cast<std::int64_t>(bytes.TwoBytes()) * scale[bytes() % 4] / 4;
  return limit < kMostIterations ? limit : kMostIterations;
}

void Compare(ProofObj& target, const TargetNetwork& io, const std::vector<std::string>& arguments,
             std::int64_t limit, std::int64_t passes) {
  using testing::RunUnder;
  // The event engine's run does not depend on the tick size: its own ticks
  // are short enough to keep to the budget.
  const testing::Outcome event =
      RunUnder(target, io, arguments, EngineKind::Event, limit, 1000, kMostLimbs);
  const testing::Outcome macro =
      RunUnder(target, io, arguments, EngineKind::Macro, event.limit, passes, 0, true, false,
               kMostEagerProofWork);
  if (!testing::SameEnd(macro, event)) std::abort();  // the engines disagree
  // Values kept by the engine as runs, arguments given to it as runs.
  const testing::Outcome kept =
      RunUnder(target, io, arguments, EngineKind::Macro, event.limit, passes, 0, true, true,
               kMostEagerProofWork);
  if (!testing::SameEnd(kept, event)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::uint8_t head = static_cast<std::uint8_t>(bytes());
  const int arity = 1 + (head & 1);
  const std::int64_t passes[] = {1000, 1, 7, std::int64_t{1} << 40};
  const std::int64_t tick = passes[(head >> 1) % 4];
  const std::int64_t limit = Limit(bytes);
  std::vector<std::string> arguments;
  if (head & 0x80) {  // a program; its runs grow fast with the arguments
    for (int k = 0; k <= arity; ++k) arguments.push_back(std::to_string(bytes() % 64));
    const std::string text = testing::RandomProgram(bytes, arity);
    NParserInterface parser;
    std::unique_ptr<Network> network;
    try {
      network = CompileProgramText(parser, text, "random.prv");
    } catch (const NeuroException&) {
      return 0;  // a program the rules refuse: nothing to run
    }
    arguments.resize(static_cast<std::size_t>(network->Target().Arity()));
    Compare(network->Target(), network->Io(), arguments, limit, tick);
    return 0;
  }
  for (int k = 0; k < arity; ++k) arguments.push_back(std::to_string(bytes.TwoBytes() % 5000));
  const auto lines = testing::RandomEquations(bytes, arity);
  testing::EquationNetwork network(lines);
  arguments.resize(static_cast<std::size_t>(network.net->Arity()));
  Compare(*network.net, network.io, arguments, limit, tick);
  return 0;
}
