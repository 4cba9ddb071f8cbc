#include "compiler/network_graph.hpp"

#include <unordered_map>

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

std::string Quoted(const std::string& text) { return "\"" + Escaped(text) + "\""; }

class DotWriter {
 public:
  explicit DotWriter(const NeuronList& inputs) {
    for (Neuron* input : inputs) Node(input);
  }

  void Cluster(const ProofObj& object, int depth) {
    const std::string indent(2 * depth, ' ');
    text_ += indent + "subgraph cluster_" + std::to_string(clusters_++) + " {\n";
    text_ += indent + "  label=" + Quoted(object.Name()) + ";\n";
    for (std::size_t i = 0; i < object.Neurons().Count(); ++i) {
      const Neuron* neuron = object.Neurons().Get(i);
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
        edges_ += "  " + Id(synapse.source) + " -> " + Id(target) +
                  " [label=" + Quoted(weightText(synapse.weight)) + "];\n";
    }
    for (const auto& child : object.Children()) Edges(*child);
  }

  std::string Finish() { return text_ + edges_; }

 private:
  std::string Id(const Neuron* neuron) {
    const auto [it, added] = ids_.emplace(neuron, "n" + std::to_string(ids_.size()));
    return it->second;
  }
  void Node(const Neuron* input) {
    text_ += "  " + Id(input) + " [label=" + Quoted(input->Name()) + ", shape=box];\n";
  }

  std::unordered_map<const Neuron*, std::string> ids_;
  std::string text_, edges_;
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
