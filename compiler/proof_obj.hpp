#pragma once
// ProofObj: a function object, one node of a function's definition tree.
// It owns the neurons it creates when its network is built and its child
// function objects; subtree operations visit its own neurons in container
// order, then each child's subtree in child order, depth first.
//
// Network protocol of every BuildNetwork: inputs holds the start neuron and
// then one data neuron per argument; the object appends exactly two neurons
// to outputs, its done neuron and then its result neuron. A start pulse of 1
// with the unary arguments for exactly one step is answered by 1 on the done
// neuron with the unary result on the result neuron for exactly one step,
// after which all its neurons are 0 again. BuildNetwork appends neurons each
// time it is called: a tree is built once; every use of a declared function
// is a clone. An input list shorter than the object needs throws
// NeuroClassException before anything is built.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/function_tree.hpp"
#include "network/neuron_container.hpp"

namespace vantorb {

class ProofObj;

// An ordered list of function objects. It owns them and releases them last
// to first.
class ProofObjContainer {
 public:
  ProofObjContainer() = default;
  ProofObjContainer(ProofObjContainer&&) = default;
  ProofObjContainer& operator=(ProofObjContainer&&);
  ~ProofObjContainer();

  void Add(std::unique_ptr<ProofObj> object);
  // Moves every element of other, in order, to the end of this list.
  void TakeAll(ProofObjContainer&& other);
  ProofObj& Get(std::size_t i) const;  // throws NeuroException past the end
  std::size_t Count() const { return objects_.size(); }
  bool Empty() const { return objects_.empty(); }

  ProofObjContainer CloneAll() const;
  std::size_t NeuronCount() const;

  auto begin() const { return objects_.begin(); }
  auto end() const { return objects_.end(); }

 private:
  void Clear();
  std::vector<std::unique_ptr<ProofObj>> objects_;
};

using NeuronList = std::vector<Neuron*>;

// How much network a function object builds: neurons and synapse records.
struct NetworkSize {
  std::size_t neurons = 0;
  std::size_t synapses = 0;
  NetworkSize& operator+=(const NetworkSize& other) {
    neurons += other.neurons;
    synapses += other.synapses;
    return *this;
  }
};

class ProofObj {
 public:
  // The name is cut to 255 characters.
  ProofObj(std::string_view name, std::int32_t arity,
           std::int32_t componentCount);
  virtual ~ProofObj() = default;
  ProofObj(const ProofObj&) = delete;
  ProofObj& operator=(const ProofObj&) = delete;

  // A new object of the same class, name, arity and component count, with
  // clones of all children and no neurons.
  virtual std::unique_ptr<ProofObj> Clone() const = 0;
  virtual void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) = 0;
  // Adds this object's node under parent, and its children's beneath it.
  virtual void AddToTree(FunctionTreeNodes& nodes,
                         std::optional<TreeNodeHandle> parent) const = 0;
  // What BuildNetwork will add to this object's own container, before it is
  // built: lets a caller refuse a network too large to build.
  virtual NetworkSize PlannedOwnSize() const = 0;

  // Moves every element of list, in order, to the end of the children.
  void AddChildren(ProofObjContainer&& list);

  const std::string& Name() const { return name_; }
  std::int32_t Arity() const { return arity_; }
  std::int32_t ComponentCount() const { return componentCount_; }
  const NeuronContainer& Neurons() const { return neurons_; }
  const ProofObjContainer& Children() const { return children_; }

  std::size_t NeuronCount() const;   // the whole subtree
  // PlannedOwnSize over the whole subtree, saturating instead of wrapping.
  NetworkSize PlannedSize() const;
  // The number of function objects in the subtree, this one included.
  std::size_t ObjectCount() const;
  std::size_t SynapseCount() const;  // the whole subtree
  // Neuron k of this object becomes "X" + Name() + its name + "_" + depth +
  // "_" + (base + k); the first child starts at base again one level deeper,
  // each further child after the previous child's subtree.
  void NumberNeurons(std::int64_t depth, std::int64_t base);
  void ComputeNext();
  void Commit();
  void Reset();
  void WriteEquations(std::vector<std::string>& lines) const;
  // Appends every neuron of the subtree, in subtree order.
  void AppendNeurons(NeuronList& list) const;
  // Neurons of the subtree whose name contains text (an empty text matches
  // none); unless all, only those whose value and next differ.
  void CollectNeurons(NeuronList& list, std::string_view text, bool all) const;

 protected:
  void SetArity(std::int32_t arity) { arity_ = arity; }
  NeuronContainer& OwnNeurons() { return neurons_; }
  ProofObjContainer& MutableChildren() { return children_; }
  // Creates a neuron with that local name in the own container.
  Neuron* NewNeuron(std::string name);
  // Throws NeuroClassException unless inputs holds at least `count` neurons.
  void RequireInputs(const NeuronList& inputs, std::size_t count) const;

 private:
  std::string name_;
  std::int32_t arity_;
  std::int32_t componentCount_;
  // Declared before the neurons so that the neurons go first on destruction.
  ProofObjContainer children_;
  NeuronContainer neurons_;
};

// A named function: the wrapper a definition creates around its body. Its
// network is its body's network; it creates no neurons of its own.
class Func : public ProofObj {
 public:
  // Arity from the first element of body (0 when body is empty).
  Func(std::string_view name, ProofObjContainer body);

  std::unique_ptr<ProofObj> Clone() const override;
  // Throws NeuroClassException when there is no body.
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override;
  void AddToTree(FunctionTreeNodes& nodes,
                 std::optional<TreeNodeHandle> parent) const override;
  NetworkSize PlannedOwnSize() const override { return {}; }

 protected:
  // A named function without a body, for functions that bring their own
  // network.
  Func(std::string_view name, std::int32_t arity, std::int32_t componentCount)
      : ProofObj(name, arity, componentCount) {}
};

// The arity of the first element of a list, 0 for an empty list.
std::int32_t FirstArity(const ProofObjContainer& list);

}  // namespace vantorb
