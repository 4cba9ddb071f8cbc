#pragma once
// UserNet: a function whose network is read from a dynamic equation file
// rather than built from rules. One neuron per line, named by the text in
// front of the line's first "(i"; its terms become synapses between the
// file's neurons, or links to the inputs: a source containing "Ein" joins
// input group 0 (the start neuron), one containing "EdataK" group K (data
// neuron K). Neurons whose names contain "Eout" and "Eres" are the outputs,
// the "Eout" ones in front. The arity is the number of data groups, the
// highest K read.
//
// Reading makes two passes, so that a line may name a neuron defined
// further down. Lines are read whole, however long: the equations of a wide
// composition or projection run past 255 characters. Faults throw
// NeuroCompilerException " Syntax error at line N", or "'TEXT' is not a
// valid floating point value" for a weight that is no number (or not finite,
// or beyond 32 bits) and "'TEXT' is not a valid integer value" for an
// "Edata" index that is no integer; an index below 0 or above kMaxGroups is
// a syntax error. An input term ("Ein", "Edata") whose weight does not read
// as exactly 1 throws "'W*SOURCE' is not a valid input term: inputs are
// linked with weight 1". A bias must be a plain decimal with ".": an
// optional "-", digits, optionally "." and digits ("5", "-0.9", "-0"; not
// "", ".5", "5.", "1e-1"; "+1" is a syntax error, "+" parting the terms),
// its integer part within Number::kMaxIntegerPart; any other throws
// "'TEXT' is not a valid bias value". lineIndex tells the line (from 0)
// being read when reading stopped: the failing one, or the last one after
// a complete read.

#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class UserNet : public Func {
 public:
  static constexpr int kMaxGroups = 100'000;

  // Reads the lines; throws on the first fault.
  UserNet(std::vector<std::string> lines, int& lineIndex);

  // A new UserNet read from the same lines.
  std::unique_ptr<ProofObj> Clone() const override;
  // Links input i to every neuron of group i with weight 1 and appends the
  // output neurons. Throws NeuroClassException when inputs is shorter than
  // the groups.
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
  void AddToTree(FunctionTreeNodes& nodes,
                 std::optional<TreeNodeHandle> parent) const override;
  // Its neurons exist from the reading on; building adds only the links.
  NetworkSize PlannedOwnSize() const override;

  const std::vector<NeuronList>& InputGroups() const { return groups_; }
  const NeuronList& OutputNeurons() const { return outputs_; }

 private:
  void ReadNeurons(int& lineIndex);
  void ReadSynapses(int& lineIndex);
  using NeuronIndex = std::unordered_map<std::string, Neuron*>;
  void ReadTerms(std::string& rest, Neuron* target, int lineNumber,
                 const NeuronIndex& byName);

  std::vector<std::string> lines_;
  std::vector<NeuronList> groups_;
  NeuronList outputs_;
};

}  // namespace vantorb
