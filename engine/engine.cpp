#include "engine/engine.hpp"

#include <algorithm>
#include <unordered_map>

#include "network/exceptions.hpp"
#include "network/unary.hpp"
#include "engine/neuron_update.hpp"

namespace vantorb {

void Engine::SetInputCode(Neuron& input, std::int64_t n) { input.SetArgumentCode(n); }

void Engine::ValueSizes::Add(std::uint64_t limbs, std::uint64_t runs) {
  mostRuns = std::max(mostRuns, runs);
  if (limbs > longest || (limbs == longest && runs > longestRuns)) {
    longest = limbs;
    longestRuns = runs;
  }
}

namespace {

void AddSizeOf(Engine::ValueSizes& sizes, const Number& value) {
  std::uint64_t runs = 0;
  RunNumber::ForEachLimbRun(value, [&runs](std::uint32_t, std::uint64_t) { ++runs; });
  sizes.Add(value.Limbs().size(), runs);
}

}  // namespace

// --- the update as defined ---

void ReferenceEngine::BindNetwork(const ProofObj& tree, const NeuronList&, const Neuron*) {
  neurons_.clear();
  tree.AppendNeurons(neurons_);
}

void ReferenceEngine::ComputeNext() {
  for (Neuron* neuron : neurons_) {
    Number next;
    next.FromText("0");
    for (const auto& synapse : neuron->Synapses()) {
      Number copy;
      copy.FromText(synapse.source->Value().ToText());
      limbs_ += copy.Limbs().size();
      copy.MultiplyByWeight(synapse.weight);
      next.Add(copy);
      ++evaluations_;
    }
    Number bias;
    bias.FromText(neuron->Bias());
    next.Add(bias);
    next.Saturate();
    neuron->MutableNext() = std::move(next);
  }
}

void ReferenceEngine::Commit() {
  changed_.resize(neurons_.size());
  for (std::size_t i = 0; i < neurons_.size(); ++i) {
    changed_[i] = neurons_[i]->Changed();
    neurons_[i]->Commit();
  }
}

namespace {

// Each neuron's position in `order`, or Engine::kNoHandle.
std::vector<std::uint32_t> PositionsIn(const NeuronList& order, std::size_t count,
                                       const NeuronList& neurons) {
  std::unordered_map<const Neuron*, std::uint32_t> position;
  for (std::uint32_t i = 0; i < count; ++i) position.emplace(order[i], i);
  std::vector<std::uint32_t> handles;
  for (const Neuron* neuron : neurons) {
    const auto it = position.find(neuron);
    handles.push_back(it == position.end() ? Engine::kNoHandle : it->second);
  }
  return handles;
}

}  // namespace

std::vector<std::uint32_t> ReferenceEngine::Handles(const NeuronList& neurons) const {
  return PositionsIn(neurons_, neurons_.size(), neurons);
}

Engine::ValueSizes ReferenceEngine::Sizes() const {
  ValueSizes sizes;
  for (const Neuron* neuron : neurons_) AddSizeOf(sizes, neuron->Value());
  return sizes;
}

// --- only what changed ---

void ChangeDrivenEngine::BuildLayout(const ProofObj& tree, const NeuronList& inputs) {
  nodes_.clear();
  tree.AppendNeurons(nodes_);
  computed_ = static_cast<std::uint32_t>(nodes_.size());
  std::unordered_map<const Neuron*, std::uint32_t> id;
  for (std::uint32_t n = 0; n < nodes_.size(); ++n) id.emplace(nodes_[n], n);
  auto nodeOf = [&](Neuron* neuron) {
    const auto [it, added] = id.emplace(neuron, static_cast<std::uint32_t>(nodes_.size()));
    if (added) nodes_.push_back(neuron);
    return it->second;
  };
  for (Neuron* input : inputs) nodeOf(input);

  synapseStart_.assign(1, 0);
  synapseSource_.clear();
  synapseWeight_.clear();
  bias_.assign(computed_, Number());
  for (std::uint32_t n = 0; n < computed_; ++n) {
    for (const auto& synapse : nodes_[n]->Synapses()) {
      synapseSource_.push_back(nodeOf(synapse.source));
      synapseWeight_.push_back(Number::SplitWeight(synapse.weight));
    }
    synapseStart_.push_back(static_cast<std::uint32_t>(synapseSource_.size()));
    bias_[n].FromText(nodes_[n]->Bias());
  }

  // Who feeds whom, counted first and then filled in place.
  feedStart_.assign(nodes_.size() + 1, 0);
  for (auto source : synapseSource_) ++feedStart_[source + 1];
  for (std::size_t node = 0; node < nodes_.size(); ++node)
    feedStart_[node + 1] += feedStart_[node];
  feedTarget_.assign(synapseSource_.size(), 0);
  std::vector<std::uint32_t> fill(feedStart_.begin(), feedStart_.end() - 1);
  for (std::uint32_t n = 0; n < computed_; ++n)
    for (auto k = synapseStart_[n]; k < synapseStart_[n + 1]; ++k)
      feedTarget_[fill[synapseSource_[k]]++] = n;

  lastSeen_.clear();
  for (std::size_t node = computed_; node < nodes_.size(); ++node)
    lastSeen_.push_back(nodes_[node]->Value());
  heldOutside_.assign(lastSeen_.size(), kNotHeld);
  dirtyMark_.assign(computed_, 0);
  committedAt_.assign(computed_, 0);
  commits_ = 0;
  dirty_.clear();
  changed_.clear();
  everything_ = true;
}

void ChangeDrivenEngine::MarkTargets(std::uint32_t node) {
  for (auto k = feedStart_[node]; k < feedStart_[node + 1]; ++k) {
    const std::uint32_t target = feedTarget_[k];
    if (dirtyMark_[target] == generation_) continue;
    dirtyMark_[target] = generation_;
    dirty_.push_back(target);
  }
}

bool ChangeDrivenEngine::DueNext(std::vector<std::uint32_t>& due) {
  due.clear();
  if (everything_) return false;
  for (std::uint32_t node = computed_; node < nodes_.size(); ++node)
    if (heldOutside_[node - computed_] != kNotHeld ||
        !(nodes_[node]->Value() == lastSeen_[node - computed_]))
      return false;
  ++generation_;
  for (const std::uint32_t source : changed_)
    for (auto k = feedStart_[source]; k < feedStart_[source + 1]; ++k) {
      const std::uint32_t target = feedTarget_[k];
      if (dirtyMark_[target] == generation_) continue;
      dirtyMark_[target] = generation_;
      due.push_back(target);
    }
  std::sort(due.begin(), due.end());
  return true;
}

void ChangeDrivenEngine::CollectDirty() {
  ++generation_;
  dirty_.clear();
  if (everything_) {
    for (std::uint32_t n = 0; n < computed_; ++n) dirty_.push_back(n);
  } else {
    for (auto n : changed_) MarkTargets(n);
  }
  // Outside nodes may have been set since the last iteration.
  for (std::uint32_t node = computed_; node < nodes_.size(); ++node) {
    Number& seen = lastSeen_[node - computed_];
    char& held = heldOutside_[node - computed_];
    if (held == kHeldNext) {
      // The engine's value stands for this iteration.
      held = kHeldNow;
      if (!everything_) MarkTargets(node);
      continue;
    }
    // After a value held by the engine, the neuron's counts as new.
    const bool wasHeld = held == kHeldNow;
    held = kNotHeld;
    if (!wasHeld && nodes_[node]->Value() == seen) continue;
    seen = nodes_[node]->Value();
    OutsideChanged(node);
    if (!everything_) MarkTargets(node);
  }
}

// The definition's update for one neuron: a product per synapse from a
// copy of its source's value (a value without limbs reads as one zero limb,
// as its text would), their sum, the bias, and sigma. The copy is made only
// where it could differ from the value itself: a weight of 1 or -1 merely
// normalises the copy, which leaves most values as they are.
const Number& ChangeDrivenEngine::ComputeInNeuron(std::uint32_t n) {
  Number& next = nodes_[n]->MutableNext();
  next.Clear();
  next.Normalize();
  for (auto k = synapseStart_[n]; k < synapseStart_[n + 1]; ++k) {
    const Number& value = nodes_[synapseSource_[k]]->Value();
    const Number::WeightParts& weight = synapseWeight_[k];
    limbs_ += value.Limbs().size();
    if (UnitWeight(weight) && value.NormalizeStable()) {
      next.AddSigned(value, weight.negative);
    } else {
      next.Add(Term(value, weight));
    }
  }
  evaluations_ += synapseStart_[n + 1] - synapseStart_[n];
  next.Add(bias_[n]);
  next.Saturate();
  return next;
}

const Number& ChangeDrivenEngine::Term(const Number& value, const Number::WeightParts& weight) {
  if (value.Limbs().empty()) {
    term_ = value;
    term_.Normalize();
    term_.MultiplyByParts(weight);
  } else {
    term_.AssignProduct(value, weight);
  }
  return term_;
}

std::vector<std::uint32_t> ChangeDrivenEngine::Handles(const NeuronList& neurons) const {
  return PositionsIn(nodes_, computed_, neurons);
}

Engine::ValueSizes ChangeDrivenEngine::Sizes() const {
  ValueSizes sizes;
  for (std::uint32_t n = 0; n < computed_; ++n) AddSizeOf(sizes, nodes_[n]->Value());
  return sizes;
}

bool ChangeDrivenEngine::CommitInNeuron(std::uint32_t n) {
  Neuron& neuron = *nodes_[n];
  if (neuron.Value() == neuron.Next()) return false;
  neuron.CommitBySwap();
  return true;
}

void DenseEngine::BindNetwork(const ProofObj& tree, const NeuronList& inputs, const Neuron*) {
  BuildLayout(tree, inputs);
}

void DenseEngine::ComputeNext() {
  CollectDirty();
  for (auto n : dirty_) ComputeInNeuron(n);
}

void DenseEngine::Commit() {
  changed_.clear();
  for (auto n : dirty_)
    if (CommitInNeuron(n)) changed_.push_back(n);
  everything_ = false;
  NoteCommit();
}

// --- only what changed, long values as runs of limbs ---

void EventEngine::BindNetwork(const ProofObj& tree, const NeuronList& inputs,
                              const Neuron* endSignal) {
  BuildLayout(tree, inputs);
  slotOf_.assign(nodes_.size(), kNoSlot);
  slotSources_.assign(computed_, 0);
  slots_.clear();
  freeSlots_.clear();
  slotsInUse_ = 0;
  for (std::uint32_t node = 0; node < nodes_.size(); ++node) {
    const Number& value = nodes_[node]->Value();
    if (RunNumber::HeldAsRuns(value)) slots_[TakeSlot(node)].value.Assign(value);
  }
  stale_.clear();
  staleMark_.assign(computed_, 0);
  keep_.assign(computed_, 0);
  for (std::uint32_t n = 0; n < computed_; ++n)
    if (nodes_[n] == endSignal) keep_[n] = 1;
}

std::uint32_t EventEngine::TakeSlot(std::uint32_t node) {
  ++slotsInUse_;
  for (auto k = feedStart_[node]; k < feedStart_[node + 1]; ++k) ++slotSources_[feedTarget_[k]];
  if (freeSlots_.empty()) {
    slotOf_[node] = static_cast<std::uint32_t>(slots_.size());
    slots_.emplace_back();
  } else {
    slotOf_[node] = freeSlots_.back();
    freeSlots_.pop_back();
  }
  return slotOf_[node];
}

void EventEngine::FreeSlot(std::uint32_t node) {
  Slot& slot = slots_[slotOf_[node]];
  slot.value.Clear();
  slot.next.Clear();
  slot.plainCommits = 0;
  freeSlots_.push_back(slotOf_[node]);
  --slotsInUse_;
  for (auto k = feedStart_[node]; k < feedStart_[node + 1]; ++k) --slotSources_[feedTarget_[k]];
  slotOf_[node] = kNoSlot;
}

void EventEngine::DeferNeuronValues(bool defer) {
  if (!defer) Synchronize();
  defer_ = defer;
}

void EventEngine::Synchronize() {
  for (auto n : stale_)
    if (staleMark_[n]) Publish(n);
  stale_.clear();
}

void EventEngine::Publish(std::uint32_t n, bool leaving) {
  staleMark_[n] = 0;
  RunNumber& value = slots_[slotOf_[n]].value;
  if (leaving) {
    published_ += value.LimbCount();
    value.MoveInto(nodes_[n]->MutableNext());
  } else {
    WriteNext(n, value);
  }
  nodes_[n]->CommitBySwap();
}

void EventEngine::WriteNext(std::uint32_t n, const RunNumber& next) {
  published_ += next.LimbCount();
  next.ToNumber(nodes_[n]->MutableNext());
}

void EventEngine::MarkStale(std::uint32_t n) {
  if (staleMark_[n]) return;
  staleMark_[n] = 1;
  stale_.push_back(n);
}

// An input set from outside: held as runs when it pays, read from its
// neuron otherwise.
void EventEngine::OutsideChanged(std::uint32_t node) {
  const Number& value = nodes_[node]->Value();
  if (RunNumber::HeldAsRuns(value)) {
    slots_[HasSlot(node) ? slotOf_[node] : TakeSlot(node)].value.Assign(value);
  } else if (HasSlot(node)) {
    FreeSlot(node);
  }
}

void EventEngine::SetInputCode(Neuron& input, std::int64_t n) {
  for (std::uint32_t node = computed_; node < nodes_.size() && keepValues_; ++node) {
    if (nodes_[node] != &input) continue;
    spare_.Assign(UnaryCodeRuns(n));
    if (spare_.PlainForm()) break;  // short: its neuron holds it
    Slot& slot = slots_[HasSlot(node) ? slotOf_[node] : TakeSlot(node)];
    swap(slot.value, spare_);
    heldOutside_[node - computed_] = kHeldNext;
    return;
  }
  input.SetArgumentCode(n);
}

void EventEngine::ReadValue(std::uint32_t handle, RunNumber& out) const {
  if (HasSlot(handle)) {
    out = slots_[slotOf_[handle]].value;
  } else {
    out.Assign(nodes_[handle]->Value());
  }
}

std::string EventEngine::ResultText(const Neuron& neuron) const {
  for (std::uint32_t n = 0; n < computed_; ++n)
    if (nodes_[n] == &neuron && HasSlot(n)) return UnaryResultText(slots_[slotOf_[n]].value);
  return neuron.ResultText();
}

Engine::ValueSizes EventEngine::Sizes() const {
  ValueSizes sizes;
  for (std::uint32_t n = 0; n < computed_; ++n) {
    if (HasSlot(n)) {
      const RunNumber& value = slots_[slotOf_[n]].value;
      sizes.Add(value.LimbCount(), value.RunCount());
    } else {
      AddSizeOf(sizes, nodes_[n]->Value());
    }
  }
  return sizes;
}

void EventEngine::ComputeNext() {
  // A neuron's next value may differ from its value before the first
  // iteration, and only a commit of a change would otherwise set it.
  if (everything_ && defer_)
    for (std::uint32_t n = 0; n < computed_; ++n)
      if (HasSlot(n)) MarkStale(n);
  CollectDirty();
  // A neuron without a slot whose sources have none either is the dense
  // engine's.
  for (auto n : dirty_) {
    if (slotsInUse_ == 0 || (!HasSlot(n) && slotSources_[n] == 0)) {
      ComputePlain(n);
    } else {
      ComputeRuns(n);
    }
  }
}

void EventEngine::GiveSlot(std::uint32_t n) {
  Slot& slot = slots_[TakeSlot(n)];
  slot.value.Assign(nodes_[n]->Value());
  slot.next.Assign(nodes_[n]->Next());
}

// The dense engine's update, step for step, on runs where a source has
// them; the neuron's own next value is written only when it is not
// deferred, or when the value is short and the neuron keeps it.
void EventEngine::ComputeRuns(std::uint32_t n) {
  RunNumber& next = HasSlot(n) ? slots_[slotOf_[n]].next : spare_;
  next.Clear();
  next.Normalize();
  for (auto k = synapseStart_[n]; k < synapseStart_[n + 1]; ++k) {
    const std::uint32_t source = synapseSource_[k];
    const Number::WeightParts& weight = synapseWeight_[k];
    if (!HasSlot(source)) {
      const Number& value = nodes_[source]->Value();
      limbs_ += value.Limbs().size();
      if (UnitWeight(weight) && value.NormalizeStable()) {
        next.AddSigned(value, weight.negative);
      } else {
        next.AddSigned(Term(value, weight), false);
      }
      continue;
    }
    const RunNumber& value = slots_[slotOf_[source]].value;
    limbs_ += value.LimbCount();
    AddSynapseTerm(next, runTerm_, value, weight);
  }
  evaluations_ += synapseStart_[n + 1] - synapseStart_[n];
  next.AddSigned(bias_[n], false);
  next.Saturate();
  next.Settle();
  if (&next == &spare_) {
    if (next.PlainForm()) {
      spare_.MoveInto(nodes_[n]->MutableNext());
      return;
    }
    Slot& slot = slots_[TakeSlot(n)];
    slot.value.Assign(nodes_[n]->Value());
    swap(slot.next, spare_);
    if (!defer_) WriteNext(n, slot.next);
    return;
  }
  if (!defer_) WriteNext(n, next);
}

void EventEngine::Replace(std::uint32_t n, RunValue<std::uint64_t> value) {
  spare_.Assign(std::move(value));
  if (spare_.PlainForm()) {
    // Short: the neuron holds it, as the dense engine's values.
    if (HasSlot(n)) {
      staleMark_[n] = 0;
      FreeSlot(n);
    }
    spare_.MoveInto(nodes_[n]->MutableNext());
    nodes_[n]->CommitBySwap();
    return;
  }
  Slot& slot = slots_[HasSlot(n) ? slotOf_[n] : TakeSlot(n)];
  swap(slot.value, spare_);
  slot.plainCommits = 0;
  if (!defer_ || keep_[n]) {
    Publish(n);
  } else {
    MarkStale(n);
  }
}

// A neuron whose value stays short leaves its slot, in step.
void EventEngine::Commit() {
  changed_.clear();
  if (slotsInUse_ == 0) {
    for (auto n : dirty_)
      if (CommitInNeuron(n)) changed_.push_back(n);
    everything_ = false;
    NoteCommit();
    return;
  }
  for (auto n : dirty_) {
    if (!HasSlot(n)) {
      if (CommitInNeuron(n)) changed_.push_back(n);
      continue;
    }
    Slot& slot = slots_[slotOf_[n]];
    if (!(slot.next == slot.value)) {
      swap(slot.next, slot.value);
      changed_.push_back(n);
      if (!defer_) {
        nodes_[n]->CommitBySwap();
      } else if (keep_[n]) {
        Publish(n);
      } else {
        MarkStale(n);
      }
    }
    if (!slot.value.PlainForm()) {
      slot.plainCommits = 0;
    } else if (++slot.plainCommits >= kLeaveAfter) {
      if (staleMark_[n]) Publish(n, true);
      FreeSlot(n);
    }
  }
  everything_ = false;
  NoteCommit();
}

}  // namespace vantorb
