#include "simulation/waveforms.hpp"

#include <charconv>

#include "network/unary.hpp"
#include "network/utils.hpp"

namespace vantorb {

void Waveforms::Begin(const ProofObj& tree, const std::string& token) {
  traces_.clear();
  lastValue_.clear();
  last_ = 0;
  if (token.empty()) return;
  NeuronList neurons;
  tree.CollectNeurons(neurons, token, true);
  for (const Neuron* neuron : neurons) traces_.push_back({neuron->Name(), neuron, {}, false});
  lastValue_.resize(traces_.size());
}

void Waveforms::Record(std::int64_t iteration) {
  last_ = iteration;
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    Trace& trace = traces_[i];
    if (trace.neuron == nullptr) continue;
    const Number& current = trace.neuron->Value();
    if (!trace.changes.empty() && current == lastValue_[i]) continue;
    if (trace.changes.size() >= kMaxChanges) {
      trace.truncated = true;
      continue;
    }
    lastValue_[i] = current;
    const std::string text = ReplaceFirst(current.ToText(), decimalSeparator, ".");
    const double value = current.ToDouble();
    const std::string decoded = DecodeUnary(text);
    trace.changes.push_back({iteration, value, decoded == "?" ? "" : decoded});
  }
}

void Waveforms::ForgetNeurons() {
  for (auto& trace : traces_) trace.neuron = nullptr;
}

}  // namespace vantorb
