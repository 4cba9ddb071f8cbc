#pragma once
// Waveforms: the values of the inspected neurons over the iterations of a
// run, kept for drawing as traces: for each neuron the iterations at which
// its value changed, the value as a number from 0 to 1 and, for a unary
// code, the number it codes. At most kMaxChanges changes are kept per
// neuron; later ones are dropped and the trace says so.

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class Waveforms {
 public:
  static constexpr std::size_t kMaxChanges = 200000;

  struct Change {
    std::int64_t iteration;
    double value;         // 0 .. 1
    std::string decoded;  // the coded number, or "" for no code
  };
  struct Trace {
    std::string name;
    const Neuron* neuron;  // null once the network is gone
    std::vector<Change> changes;
    bool truncated = false;
  };

  // Starts recording the neurons of tree whose names contain token.
  void Begin(const ProofObj& tree, const std::string& token);
  // Takes the values the neurons hold after that iteration.
  void Record(std::int64_t iteration);
  // The network is going: the traces stay, their neurons are forgotten.
  void ForgetNeurons();

  const std::vector<Trace>& Traces() const { return traces_; }
  std::int64_t LastIteration() const { return last_; }

 private:
  std::vector<Trace> traces_;
  std::vector<Number> lastValue_;  // per trace, to see changes cheaply
  std::int64_t last_ = 0;
};

}  // namespace vantorb
