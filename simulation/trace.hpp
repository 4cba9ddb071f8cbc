#pragma once
// TraceRecorder: the values of chosen neurons at every iteration of a run,
// kept as their exact decimal texts (with "." whatever the separator), and
// written as CSV (one row per iteration) or as a VCD waveform file with one
// real signal per neuron, grouped in a scope per function object.

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class TraceRecorder {
 public:
  // Records the neurons of the tree whose names contain token (all of them
  // for "*"), in tree order.
  TraceRecorder(const ProofObj& tree, const std::string& token);

  // Takes the values the neurons hold now as those of that iteration.
  void Record(std::int64_t iteration);

  std::size_t NeuronCount() const { return neurons_.size(); }
  std::string Csv() const;
  std::string Vcd() const;

 private:
  struct Traced {
    const Neuron* neuron;
    std::size_t scope;  // index into scopes_
  };
  void Collect(const ProofObj& object, const std::string& token);

  std::vector<Traced> neurons_;
  std::vector<std::string> scopes_;
  std::vector<std::int64_t> iterations_;
  std::vector<std::vector<std::string>> values_;  // per iteration, per neuron
};

}  // namespace vantorb
