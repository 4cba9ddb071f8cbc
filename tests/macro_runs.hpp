#pragma once
// Runs compared between engines, for the macro-step engine's tests and its
// fuzz target: a run to the end or a limit with nobody watching and what it
// leaves (status, iterations, result, every neuron's exact value), and the
// random networks such runs are made on: programs of the function language
// and small equation networks. The generators draw from any source with
// `std::uint64_t operator()()` (a seeded std::mt19937_64, or a fuzz input's
// bytes), taking it modulo small counts.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "compiler/user_net.hpp"
#include "driver/network.hpp"
#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "engine/macro_engine.hpp"
#include "simulation/network_run.hpp"

namespace vantorb::testing {

struct Outcome {
  RunStatus status = RunStatus::Running;
  std::int64_t iterations = 0;
  std::int64_t limit = 0;  // the limit the run had, or was cut at
  std::string result;
  std::string error;                // the message of a NeuroException the run threw
  std::vector<std::string> values;  // every neuron's, in tree order; none when kept
  Engine::LeapCounts leaps;
  Engine::ValueSizes sizes;
};

// The engine of `kind`; with `eager`, a macro engine that proves every
// loop it sees, so that short runs leap too, until its proofs have taken
// `mostProofWork` neuron updates (0: to the end), and whose rules take
// at most `ruleMemory` bytes (0: the engine's own bound).
inline std::unique_ptr<Engine> EngineOf(EngineKind kind, bool eager,
                                        std::int64_t mostProofWork = 0,
                                        std::size_t ruleMemory = 0) {
  if (kind != EngineKind::Macro) return MakeEngine(kind);
  auto macro = std::make_unique<MacroEngine>();
  macro->SetEager(eager, mostProofWork);
  if (ruleMemory != 0) macro->SetRuleMemory(ruleMemory);
  return macro;
}

// Runs to the end or the limit, ticking `passes` passes at a time, with
// nobody watching, and reads every neuron afterwards, or with `keep` only
// the sizes of the values the engine kept. With `mostLimbs`, once the
// engine has read that many limbs of values (checked between ticks) the
// limit becomes the iteration reached, so that a run whose values grow
// long stays short; the outcome tells the limit it had. `mostProofWork`
// bounds an eager engine's eagerness and `ruleMemory` its rules
// (EngineOf).
inline Outcome RunUnder(ProofObj& target, const TargetNetwork& io,
                        const std::vector<std::string>& arguments, EngineKind kind,
                        std::int64_t limit, std::int64_t passes = 1000,
                        std::uint64_t mostLimbs = 0, bool eager = false, bool keep = false,
                        std::int64_t mostProofWork = 0, std::size_t ruleMemory = 0) {
  NetworkRun run(EngineOf(kind, eager, mostProofWork, ruleMemory));
  Outcome outcome;
  try {
    run.Start(&target, io, arguments, nullptr,
              keep ? ValuesHeld::InEngine : ValuesHeld::InNeurons);
    do {
      if (mostLimbs != 0 && run.UsedEngine().LimbsProcessed() > mostLimbs) limit = run.Iteration();
      outcome.status = run.Tick(passes, limit);
    } while (outcome.status == RunStatus::Running);
  } catch (const NeuroException& e) {
    outcome.error = e.Message();
  }
  outcome.iterations = run.Iteration();
  outcome.limit = limit;
  outcome.result = run.Result();
  outcome.leaps = run.UsedEngine().Leaps();
  outcome.sizes = run.UsedEngine().Sizes();
  if (keep) return outcome;
  NeuronList neurons;
  target.AppendNeurons(neurons);
  for (const Neuron* neuron : neurons) outcome.values.push_back(neuron->Value().ToText());
  return outcome;
}

inline Outcome RunUnder(const Network& network, const std::vector<std::string>& arguments,
                        EngineKind kind, std::int64_t limit, std::int64_t passes = 1000,
                        bool eager = false, bool keep = false) {
  return RunUnder(network.Target(), network.Io(), arguments, kind, limit, passes, 0, eager, keep);
}

// The first neuron whose value differs, or -1.
inline int FirstDifference(const Outcome& a, const Outcome& b) {
  for (std::size_t n = 0; n < a.values.size() && n < b.values.size(); ++n)
    if (a.values[n] != b.values[n]) return static_cast<int>(n);
  return a.values.size() == b.values.size() ? -1 : static_cast<int>(a.values.size());
}

// The same end; every neuron's value where both read them, the sizes of
// the values otherwise.
inline bool SameEnd(const Outcome& a, const Outcome& b) {
  const bool sameValues = a.values.empty() || b.values.empty()
                              ? a.sizes.longest == b.sizes.longest &&
                                    a.sizes.longestRuns == b.sizes.longestRuns &&
                                    a.sizes.mostRuns == b.sizes.mostRuns
                              : FirstDifference(a, b) == -1;
  return a.status == b.status && a.iterations == b.iterations && a.result == b.result &&
         a.error == b.error && sameValues;
}

// A random function of `arity` arguments, nested at most `depth` deep.
template <class Random>
std::string RandomFunction(Random& random, int arity, int depth) {
  const auto u = [&random](int n) {
    return "U(" + std::to_string(1 + random() % n) + "," + std::to_string(n) + ")";
  };
  if (arity == 0) return "W";
  switch (depth <= 0 ? random() % 2 : random() % 6) {
    case 0:
      return arity == 1 ? (random() % 2 ? "S" : "Z") : u(arity);
    case 1:
      return u(arity);
    case 2:
    case 3: {
      const int inner = 1 + static_cast<int>(random() % 2);
      std::string text = "C(";
      for (int k = 0; k < inner; ++k) text += RandomFunction(random, arity, depth - 1) + ",";
      return text + RandomFunction(random, inner, depth - 1) + ")";
    }
    case 4:
      return "R(" + RandomFunction(random, arity - 1, depth - 1) + "," +
             RandomFunction(random, arity + 1, depth - 1) + ")";
    default:
      return "M(" + RandomFunction(random, arity + 1, depth - 1) + ")";
  }
}

// A program whose target is a recursion of `arity` arguments (1 or 2): loops
// come from recursions, so each program has one at its top.
template <class Random>
std::string RandomProgram(Random& random, int arity) {
  return "f R(" + RandomFunction(random, arity - 1, 2) + "," +
         RandomFunction(random, arity + 1, 3) + ")";
}

// The lines of a random equation network of 2 to 6 neurons, "Eout" and
// "Eres" first. Weights and biases are small, fractional and negative ones
// among them, chosen so that the motifs runs come from are frequent: a
// neuron that keeps an argument (weight 1 on itself and an input), one
// that shifts its value a digit a step (10 or 0.1 on itself) while a bias
// feeds or eats its digits, and others that compare and saturate. A third
// of the neurons eat an argument a digit or two a step until nothing is
// left, loops that end by themselves.
template <class Random>
std::vector<std::string> RandomEquations(Random& random, int arity) {
  static const double kWeights[] = {1, 10, 0.1, -1, 1, 10, 0.1, -10, 2, 0.5, -0.5, 100,
                                    0.01, 1.1, 0.9, -2, 0.25, -0.1, 3, 11};
  static const char* const kBiases[] = {"0", "-1", "-0.9", "0.1", "1", "-0.5", "-0.09", "0.5",
                                        "-0.11", "-2", "0.01", "-0.1", "0", "-0.99999999"};
  // A shift and the bias that takes as many leading digits 1 off a code.
  static const char* const kEaters[][2] = {{"10.0", "-0.1"}, {"100.0", "-0.11"}};
  const int size = 2 + static_cast<int>(random() % 5);
  const auto name = [](int n) {
    if (n == 0) return std::string("Eout");
    if (n == 1) return std::string("Eres");
    // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on a
    // literal added to a temporary string.
    std::string named = "n";
    named += std::to_string(n);
    return named;
  };
  std::vector<std::string> lines;
  for (int n = 0; n < size; ++n) {
    std::string terms;
    const auto add = [&terms](const std::string& weight, const std::string& source) {
      terms += weight + "*" + source + "(i) + ";
    };
    const auto addInput = [&](int group) {
      add("1.0", group == 0 ? std::string("Ein") : "Edata" + std::to_string(group));
    };
    const bool eats = random() % 3 == 0;
    const auto& eater = kEaters[random() % 2];
    if (eats) {
      add(eater[0], name(n));
      addInput(1 + static_cast<int>(random() % arity));
    } else if (random() % 2) {
      add(weightText(kWeights[random() % std::size(kWeights)]), name(n));
    }
    for (int s = static_cast<int>(random() % (eats ? 2 : 4)); s > 0; --s)
      add(weightText(kWeights[random() % std::size(kWeights)]),
          name(static_cast<int>(random() % size)));
    if (!eats && random() % 3 == 0) addInput(static_cast<int>(random() % (arity + 1)));
    const char* bias = eats ? eater[1] : kBiases[random() % std::size(kBiases)];
    lines.push_back(name(n) + "(i+1) = sigma( " + terms + bias + " )");
  }
  return lines;
}

// An equation network read from lines and built on fresh input neurons, as
// Load Equations builds one. Throws what reading and building throw.
struct EquationNetwork {
  explicit EquationNetwork(const std::vector<std::string>& lines) {
    int lineIndex = -1;
    net = std::make_unique<UserNet>(lines, lineIndex);
    CreateInputNeurons(net->Arity(), io);
    net->BuildNetwork(io.InputList(), io.outputNeurons);
  }

  std::unique_ptr<UserNet> net;
  TargetNetwork io;
};

}  // namespace vantorb::testing
