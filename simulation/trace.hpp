#pragma once
// TraceRecorder: the values of chosen neurons at every iteration of a run,
// written as the run goes, as CSV (one row per iteration, the exact decimal
// texts with "." whatever the separator) and/or as a VCD waveform with one
// real signal per neuron, grouped in a scope per function object. It keeps
// only the last values it wrote, so its memory does not grow with the run.

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/proof_obj.hpp"
#include "network/number.hpp"
#include "network/text_lines.hpp"

namespace vantorb {

class TraceRecorder {
 public:
  // Records the neurons of the tree whose names contain token (all of them
  // for "*"), in tree order, as CSV into csv and as VCD into vcd; either may
  // be null. Writes the headers at once. The sinks must outlive the
  // recorder; committing them is the caller's part.
  TraceRecorder(const ProofObj& tree, const std::string& token, TextSink* csv,
                TextSink* vcd);
  // A recorder that writes nowhere, for a caller that reads the chosen
  // neurons' values itself (run --values, Python's traces). A token that no
  // name contains is refused, as every trace refuses it before it starts:
  // NeuroException "No neuron name contains TOKEN".
  static TraceRecorder Reading(const ProofObj& tree, const std::string& token);

  // Writes the values the neurons hold now as those of that iteration: a
  // CSV row, and in the VCD the values that changed since the last Record
  // (all of them the first time). Throws what the sinks throw.
  void Record(std::int64_t iteration);

  std::size_t NeuronCount() const { return neurons_.size(); }
  // The name of traced neuron n (n < NeuronCount()), in tree order.
  const std::string& NeuronName(std::size_t n) const { return neurons_[n].neuron->Name(); }
  // The exact decimal text of the value neuron n holds now, with "." for
  // the separator: the field of a CSV row.
  std::string ValueText(std::size_t n) const;

 private:
  struct Traced {
    const Neuron* neuron;
    std::size_t scope;  // index into scopes_
  };
  void Collect(const ProofObj& object, const std::string& token);
  void WriteCsvHeader();
  void WriteVcdHeader();
  void WriteVcdChanges(std::int64_t iteration);

  std::vector<Traced> neurons_;
  std::vector<std::string> scopes_;
  TextSink* csv_;
  TextSink* vcd_;
  std::vector<Number> written_;  // the values last written to the VCD
  bool recorded_ = false;
};

}  // namespace vantorb
