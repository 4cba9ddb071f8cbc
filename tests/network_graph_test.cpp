// The network as a Graphviz picture: clusters nested as the function tree,
// neurons with their biases, synapses with their weights, inputs outside.

#include <gtest/gtest.h>

#include <string>

#include "compiler/network_graph.hpp"
#include "compiler/target_network.hpp"
#include "function_builders.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

TEST(NetworkGraph, NamedSuccessorAsDot) {
  SeparatorScope scope(",");  // biases are written with "." all the same
  Tree f = F("f", S());
  TargetNetwork network;
  BuildTargetNetwork(*f, network);
  EXPECT_EQ(NetworkDot(*f, network.InputList()),
            "digraph network {\n"
            "  rankdir=LR;\n"
            "  node [shape=ellipse];\n"
            "  n0 [label=\"Ein\", shape=box];\n"
            "  n1 [label=\"Edata1\", shape=box];\n"
            "  subgraph cluster_0 {\n"
            "    label=\"f\";\n"
            "    subgraph cluster_1 {\n"
            "      label=\"S\";\n"
            "      n2 [label=\"XSin_1_0\\nbias 0\"];\n"
            "      n3 [label=\"XSEout_1_1\\nbias 0\"];\n"
            "      n4 [label=\"XSdata_1_2\\nbias 0\"];\n"
            "      n5 [label=\"XSEres_1_3\\nbias -0.9\"];\n"
            "    }\n"
            "  }\n"
            "  n0 -> n2 [label=\"1.0\"];\n"
            "  n2 -> n3 [label=\"1.0\"];\n"
            "  n1 -> n4 [label=\"1.0\"];\n"
            "  n2 -> n5 [label=\"1.0\"];\n"
            "  n4 -> n5 [label=\"0.10\"];\n"
            "}\n");
}

TEST(NetworkGraph, EveryNeuronAndSynapseOnceInNestedClusters) {
  Tree mul = Mul();
  TargetNetwork network;
  BuildTargetNetwork(*mul, network);
  const std::string dot = NetworkDot(*mul, network.InputList());
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (auto at = dot.find(what); at != std::string::npos; at = dot.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\\nbias "), mul->NeuronCount());
  EXPECT_EQ(count(" -> "), mul->SynapseCount());
  EXPECT_EQ(count("subgraph cluster_"), mul->ObjectCount());
  EXPECT_EQ(count("{"), count("}"));
  EXPECT_NE(dot.find("label=\"U(1,3)\""), std::string::npos);
}

TEST(NetworkGraph, QuotesAndBackslashesInNamesAreEscaped) {
  Tree f = F("a\"b\\c", S());
  TargetNetwork network;
  BuildTargetNetwork(*f, network);
  EXPECT_NE(NetworkDot(*f, network.InputList()).find("label=\"a\\\"b\\\\c\""), std::string::npos);
}

}  // namespace
}  // namespace vantorb
