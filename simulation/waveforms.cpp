#include "simulation/waveforms.hpp"

#include <algorithm>
#include <cmath>

#include "network/unary.hpp"

namespace vantorb {

template <class Value>
void Waveforms::Add(Trace& trace, const Value& value, std::int64_t iteration) {
  if (trace.changes.size() >= maxChanges_ || total_ >= maxTotal_) {
    trace.truncated = true;
    return;
  }
  trace.changes.push_back({iteration, value.ToDouble(), DecodeUnary(value)});
  ++total_;
}

void Waveforms::Begin(const NeuronList& neurons, std::int64_t iteration) {
  ++recording_;
  traces_.clear();
  handles_.clear();
  last_ = iteration;
  total_ = 0;
  traces_.reserve(neurons.size());
  for (const Neuron* neuron : neurons) {
    traces_.push_back({neuron->Name(), {}, false});
    Add(traces_.back(), neuron->Value(), iteration);
  }
}

void Waveforms::RecordChanges(const NeuronList& neurons, std::int64_t iteration) {
  last_ = std::max(last_, iteration);
  const std::size_t count = std::min(traces_.size(), neurons.size());
  for (std::size_t i = 0; i < count; ++i)
    if (neurons[i]->Changed()) Add(traces_[i], neurons[i]->Next(), iteration);
}

void Waveforms::Follow(const Engine& engine, const NeuronList& neurons) {
  handles_ = engine.Handles(neurons);
}

void Waveforms::RecordCommitted(const Engine& engine, std::int64_t iteration) {
  last_ = std::max(last_, iteration);
  const std::size_t count = std::min(traces_.size(), handles_.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t handle = handles_[i];
    if (handle == Engine::kNoHandle || !engine.ChangedAtLastCommit(handle)) continue;
    engine.ReadValue(handle, read_);
    Add(traces_[i], read_, iteration);
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
