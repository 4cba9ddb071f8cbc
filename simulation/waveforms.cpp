#include "simulation/waveforms.hpp"

#include <algorithm>
#include <cmath>

#include "network/unary.hpp"
#include "network/value_text.hpp"

namespace vantorb {
namespace {

std::uint64_t LimbsOf(const Number& value) { return value.Limbs().size(); }
std::uint64_t LimbsOf(const RunNumber& value) { return value.LimbCount(); }

}  // namespace

template <class Value>
void Waveforms::Add(Trace& trace, const Value& value, std::int64_t iteration) {
  if (trace.changes.size() >= maxChanges_ || total_ >= maxTotal_) {
    trace.truncated = true;
    return;
  }
  const std::int64_t decoded = DecodeUnary(value);
  Change change{iteration, value.ToDouble(), decoded};
  // A code's text is made again from its number; another value's is kept.
  if (decoded < 0 || LimbsOf(value) != UnaryCodeRuns(decoded).limbCount) {
    std::string text = ElidedValueText(value);
    const auto found = textIndex_.find(text);
    if (found != textIndex_.end()) {
      change.text = found->second;
    } else if (texts_.size() < kMaxTexts) {
      change.text = static_cast<std::uint32_t>(texts_.size());
      textIndex_.emplace(text, change.text);
      texts_.push_back(std::move(text));
    }
  }
  trace.changes.push_back(change);
  ++total_;
}

std::string Waveforms::ValueText(const Change& change) const {
  if (change.text != kNoText) return change.text < texts_.size() ? texts_[change.text] : "";
  if (change.decoded < 0) return "";
  RunNumber code;
  code.Assign(UnaryCodeRuns(change.decoded));
  return ElidedValueText(code);
}

void Waveforms::Begin(const NeuronList& neurons, std::int64_t iteration) {
  ++recording_;
  traces_.clear();
  leaps_.clear();
  handles_.clear();
  texts_.clear();
  textIndex_.clear();
  last_ = iteration;
  total_ = 0;
  traces_.reserve(neurons.size());
  for (const Neuron* neuron : neurons) {
    traces_.push_back({neuron->Name(), {}, false});
    Add(traces_.back(), neuron->Value(), iteration);
  }
}

void Waveforms::Begin(const Engine& engine, const NeuronList& neurons, std::int64_t iteration) {
  Begin(NeuronList(), iteration);
  handles_ = engine.Handles(neurons);
  traces_.reserve(neurons.size());
  for (std::size_t i = 0; i < neurons.size(); ++i) {
    traces_.push_back({neurons[i]->Name(), {}, false});
    if (handles_[i] == Engine::kNoHandle) {
      read_.Assign(neurons[i]->Value());
    } else {
      engine.ReadValue(handles_[i], read_);
    }
    Add(traces_.back(), read_, iteration);
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

bool Waveforms::SameAsLast(const Trace& trace, const RunNumber& value) const {
  if (trace.changes.empty()) return false;
  const Change& last = trace.changes.back();
  const std::int64_t decoded = DecodeUnary(value);
  if (decoded != last.decoded || value.ToDouble() != last.value) return false;
  // A code is told by its number; another value by its text, when kept.
  if (decoded >= 0 && value.LimbCount() == UnaryCodeRuns(decoded).limbCount) return true;
  return last.text != kNoText && last.text < texts_.size() && texts_[last.text] == ElidedValueText(value);
}

void Waveforms::RecordLeap(const Engine& engine, std::int64_t from, std::int64_t to) {
  last_ = std::max(last_, to);
  if (leaps_.size() >= kMaxLeaps) {
    leaps_.back().to = to;
  } else {
    leaps_.push_back({from, to});
  }
  const std::size_t count = std::min(traces_.size(), handles_.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (handles_[i] == Engine::kNoHandle) continue;
    engine.ReadValue(handles_[i], read_);
    if (!SameAsLast(traces_[i], read_)) Add(traces_[i], read_, to);
  }
}

std::optional<Waveforms::LeapSpan> Waveforms::LeapAt(std::int64_t iteration) const {
  const auto after = std::upper_bound(leaps_.begin(), leaps_.end(), iteration,
                                      [](std::int64_t i, const LeapSpan& s) { return i < s.to; });
  if (after == leaps_.end() || iteration <= after->from) return std::nullopt;
  return *after;
}

TraceScroll ScrollFor(std::int64_t lastIteration, double pixelsPerIteration, int viewWidth) {
  constexpr double kMargin = 40;  // room after the last iteration
  const double overflow = std::max(
      0.0, static_cast<double>(lastIteration) * pixelsPerIteration + kMargin - viewWidth);
  const double perStep = std::max(1.0, overflow / TraceScroll::kMaxRange);
  return {static_cast<int>(std::ceil(overflow / perStep)), perStep};
}

}  // namespace vantorb
