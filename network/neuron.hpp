#pragma once
// Neuron: one unit of a discrete-time network. Each step it computes
//   next = sigma( sum of weight * source value + bias )
// from its sources' current values, and only Commit makes next current, so
// computing every neuron before committing any is a synchronous update.
// A neuron owns its synapse records, never their source neurons.
//
// The bias is kept as text in the program's decimal separator, as the user
// and the equation files see it; it is read as a number on first use and
// again only after SetBias or a change of decimalSeparator.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "network/number.hpp"

namespace vantorb {

class Neuron;

// A synapse, stored with its target: the source it reads and the factor.
struct NReference {
  Neuron* source;
  double weight;
};

class Neuron {
 public:
  // Bias "0", empty value and next (+0 without limbs), no synapses.
  Neuron() = default;
  explicit Neuron(std::string name) : name_(std::move(name)) {}
  virtual ~Neuron() = default;
  Neuron(const Neuron&) = delete;
  Neuron& operator=(const Neuron&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Bias() const { return bias_; }
  // Stored unchecked; a text that is no number reads piecewise as 0 and an
  // empty one as 0.
  void SetBias(std::string text);
  const Number& Value() const { return value_; }
  const Number& Next() const { return nextIsValue_ ? value_ : next_; }
  // For the engines that compute next values in their own way.
  Number& MutableNext() {
    nextIsValue_ = false;
    return next_;
  }
  const std::vector<NReference>& Synapses() const { return synapses_; }

  // Appends a synapse from source (not owned, must outlive this neuron's
  // use, must not be null: throws NeuroException).
  void AddSynapse(Neuron* source, double weight);
  std::size_t SynapseCount() const { return synapses_.size(); }

  // next := sigma(weighted sum + bias). Exactly the value obtained by copying
  // each source value through its text. Throws NumberException for a weight
  // Number rejects.
  void ComputeNext();
  void Commit() {
    if (!nextIsValue_) value_ = next_;
  }
  // The same as Commit, by exchanging the two numbers instead of copying:
  // the next value then reads as the value until it is computed again.
  void CommitBySwap() {
    if (nextIsValue_) return;
    std::swap(value_, next_);
    nextIsValue_ = true;
  }
  // value and next := 0 (one zero limb).
  void Reset();

  // value := the number the text denotes (FromText).
  void SetValueText(std::string_view text);
  // value := the unary code of the integer the text holds (0 when none).
  void SetArgument(std::string_view text);
  // value := the unary code of n (0 when negative).
  void SetArgumentCode(std::int64_t n);
  // The unary count of value, as decimal text (see UnaryResultText).
  std::string ResultText() const;
  // The text of next; after Commit it equals the text of value.
  std::string ValueText() const { return Next().ToText(); }
  // Whether value and next have different texts.
  bool Changed() const { return !nextIsValue_ && !(value_ == next_); }

  // The neuron's dynamic equation line.
  std::string EquationText() const;

 private:
  const Number& BiasNumber();
  // Before value_ changes on its own, the next value gets its own copy.
  void DetachNext();

  std::string bias_ = "0";
  Number next_;
  std::string name_;
  Number value_;
  std::vector<NReference> synapses_;
  bool nextIsValue_ = false;  // next_ is stale: the next value is value_

  Number biasNumber_;
  std::string biasSeparator_;  // decimalSeparator biasNumber_ was read with
  bool biasRead_ = false;
};

// An input neuron ("Ein", "EdataK"): created outside every function object
// and set by evaluation, never computed by the network.
class IOObj : public Neuron {
 public:
  using Neuron::Neuron;
};

}  // namespace vantorb
