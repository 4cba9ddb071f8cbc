#include "network/neuron.hpp"

#include "network/equation_text.hpp"
#include "network/exceptions.hpp"
#include "network/unary.hpp"
#include "network/utils.hpp"

namespace vantorb {

void Neuron::SetBias(std::string text) {
  bias_ = std::move(text);
  biasRead_ = false;
}

void Neuron::AddSynapse(Neuron* source, double weight) {
  if (source == nullptr)
    throw NeuroException("Synapse without source neuron into " + name_);
  synapses_.push_back({source, weight});
}

const Number& Neuron::BiasNumber() {
  if (!biasRead_ || biasSeparator_ != decimalSeparator) {
    biasNumber_.FromText(bias_);
    biasSeparator_ = decimalSeparator;
    biasRead_ = true;
  }
  return biasNumber_;
}

void Neuron::DetachNext() {
  if (!nextIsValue_) return;
  next_ = value_;
  nextIsValue_ = false;
}

void Neuron::ComputeNext() {
  nextIsValue_ = false;
  next_.Clear();
  next_.Normalize();  // the number read from "0"
  Number term;
  for (const auto& synapse : synapses_) {
    term = synapse.source->value_;
    // A value's text always reads back as the same number, except that a
    // number without limbs (written "0.0") reads back with one zero limb.
    if (term.Limbs().empty()) term.Normalize();
    term.MultiplyByWeight(synapse.weight);
    next_.Add(term);
  }
  next_.Add(BiasNumber());
  next_.Saturate();
}

void Neuron::Reset() {
  nextIsValue_ = false;
  value_.Clear();
  value_.Normalize();
  next_ = value_;
}

void Neuron::SetValueText(std::string_view text) {
  DetachNext();
  value_.FromText(text);
}

void Neuron::SetArgument(std::string_view text) { SetArgumentCode(UnaryArgument(text)); }

void Neuron::SetArgumentCode(std::int64_t n) {
  DetachNext();
  value_ = UnaryCode(n);
}

std::string Neuron::ResultText() const {
  return UnaryResultText(value_.ToText());
}

std::string Neuron::EquationText() const { return EquationLine(*this); }

}  // namespace vantorb
