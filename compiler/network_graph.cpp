#include "compiler/network_graph.hpp"

#include <unordered_map>
#include <unordered_set>

#include "network/equation_text.hpp"
#include "network/utils.hpp"

namespace vantorb {
namespace {

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// Appended piece by piece (also in Id): GCC 12 at -O2 warns falsely
// (-Wrestrict) on a literal added to a temporary string.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  quoted += Escaped(text);
  quoted += '"';
  return quoted;
}

class DotWriter {
 public:
  explicit DotWriter(const NeuronList& inputs) : inputs_(inputs.begin(), inputs.end()) {
    for (const Neuron* input : inputs) Id(input);  // the inputs come first
  }

  void Cluster(const ProofObj& object, int depth) {
    const std::string indent(2 * depth, ' ');
    text_ += indent + "subgraph cluster_" + std::to_string(clusters_++) + " {\n";
    text_ += indent + "  label=" + Quoted(object.Name()) + ";\n";
    for (std::size_t i = 0; i < object.Neurons().Count(); ++i) {
      const Neuron* neuron = object.Neurons().Get(i);
      drawn_.insert(neuron);
      text_ += indent + "  " + Id(neuron) + " [label=\"" + Escaped(neuron->Name()) +
               "\\nbias " + Escaped(ReplaceFirst(neuron->Bias(), decimalSeparator, ".")) +
               "\"];\n";
    }
    for (const auto& child : object.Children()) Cluster(*child, depth + 1);
    text_ += indent + "}\n";
  }

  void Edges(const ProofObj& object) {
    for (std::size_t i = 0; i < object.Neurons().Count(); ++i) {
      const Neuron* target = object.Neurons().Get(i);
      for (const auto& synapse : target->Synapses())
        edges_ += "  " + Source(synapse.source) + " -> " + Id(target) +
                  " [label=" + Quoted(weightText(synapse.weight)) + "];\n";
    }
    for (const auto& child : object.Children()) Edges(*child);
  }

  std::string Finish() { return outside_ + text_ + edges_; }

 private:
  std::string Id(const Neuron* neuron) {
    std::string id = "n";
    id += std::to_string(ids_.size());
    const auto [it, added] = ids_.emplace(neuron, std::move(id));
    return it->second;
  }
  // A source outside the picture is drawn once, on its first use: an input
  // neuron as a box, a neuron of another part of the network dashed.
  std::string Source(const Neuron* neuron) {
    const std::string id = Id(neuron);
    if (drawn_.insert(neuron).second) {
      const bool input = inputs_.count(neuron) > 0;
      outside_ += "  " + id + " [label=" + Quoted(neuron->Name()) +
                  (input ? ", shape=box" : ", style=dashed") + "];\n";
    }
    return id;
  }

  std::unordered_set<const Neuron*> inputs_, drawn_;
  std::unordered_map<const Neuron*, std::string> ids_;
  std::string outside_, text_, edges_;
  int clusters_ = 0;
};

}  // namespace

std::string NetworkDot(const ProofObj& target, const NeuronList& inputs) {
  DotWriter writer(inputs);
  writer.Cluster(target, 1);
  writer.Edges(target);
  return "digraph network {\n  rankdir=LR;\n  node [shape=ellipse];\n" +
         writer.Finish() + "}\n";
}

}  // namespace vantorb
