#pragma once
// One neuron's next value as the change-driven engines compute it, written
// once for the engine's values and for a prover's: a product per synapse
// from its source's value, their sum, the bias, and sigma. A weight of 1 or
// -1 on a value Normalize would leave as it is adds the value itself, and a
// value without limbs is normalised before its product, as its text would
// read; both give the definition's value to the last limb.
//
// Value provides Clear, Normalize, NormalizeStable, LimbCount (compared
// with 0), AddSigned, Add, AssignProduct (also of itself) and Saturate,
// with RunNumber's meaning.

#include <cstdint>

#include "network/number.hpp"

namespace vantorb {

// next += weight * value, one synapse's term; term is scratch room.
template <class Value>
void AddSynapseTerm(Value& next, Value& term, const Value& value,
                    const Number::WeightParts& weight) {
  if (weight.integer == 1 && weight.places == 0 && value.NormalizeStable()) {
    next.AddSigned(value, weight.negative);
    return;
  }
  if (value.LimbCount() == 0) {
    term = value;
    term.Normalize();
    term.AssignProduct(term, weight);
  } else {
    term.AssignProduct(value, weight);
  }
  next.Add(term);
}

// next := sigma(sum of weights[k] * valueOf(sources[k]) for k in [first,
// end), plus bias); term is scratch room. seen(value) is told every source
// value read, for the engine's measures.
template <class Value, class ValueOf, class Seen>
void UpdateNeuron(Value& next, Value& term, std::uint32_t first, std::uint32_t end,
                  const std::uint32_t* sources, const Number::WeightParts* weights,
                  ValueOf&& valueOf, const Value& bias, Seen&& seen) {
  next.Clear();
  next.Normalize();
  for (std::uint32_t k = first; k < end; ++k) {
    const Value& value = valueOf(sources[k]);
    seen(value);
    AddSynapseTerm(next, term, value, weights[k]);
  }
  next.Add(bias);
  next.Saturate();
}

}  // namespace vantorb
