#include "simulation/waveforms.hpp"

#include <algorithm>
#include <cmath>


#include "network/unary.hpp"
#include "network/utils.hpp"

namespace vantorb {

void Waveforms::Begin(const NeuronList& neurons) {
  traces_.clear();
  lastValue_.clear();
  last_ = 0;
  total_ = 0;
  traces_.reserve(neurons.size());
  for (const Neuron* neuron : neurons) traces_.push_back({neuron->Name(), {}, false});
  lastValue_.resize(traces_.size());
}

void Waveforms::Record(const NeuronList& neurons, std::int64_t iteration) {
  last_ = iteration;
  const std::size_t count = std::min(traces_.size(), neurons.size());
  for (std::size_t i = 0; i < count; ++i) {
    Trace& trace = traces_[i];
    const Number& current = neurons[i]->Value();
    if (!trace.changes.empty() && current == lastValue_[i]) continue;
    if (trace.changes.size() >= maxChanges_ || total_ >= maxTotal_) {
      trace.truncated = true;
      continue;
    }
    lastValue_[i] = current;
    const std::string text = ReplaceFirst(current.ToText(), decimalSeparator, ".");
    const auto decoded = ParseDecimalInteger(DecodeUnary(text), 0, INT64_MAX);
    trace.changes.push_back({iteration, current.ToDouble(), decoded ? *decoded : -1});
    ++total_;
  }
}

TraceScroll ScrollFor(std::int64_t lastIteration, double pixelsPerIteration, int viewWidth) {
  constexpr double kMargin = 40;  // room after the last iteration
  const double overflow = std::max(
      0.0, static_cast<double>(lastIteration) * pixelsPerIteration + kMargin - viewWidth);
  const double perStep = std::max(1.0, overflow / TraceScroll::kMaxRange);
  return {static_cast<int>(std::ceil(overflow / perStep)), perStep};
}

}  // namespace vantorb
