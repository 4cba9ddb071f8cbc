// Function objects as a tree: values per class, counts, cloning, the tree
// they show, neuron numbering and names, equation lines, collecting neurons
// and the argument checks of the rules.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/target_network.hpp"
#include "function_builders.hpp"
#include "network/exceptions.hpp"
#include "separator_scope.hpp"

namespace vantorb {
namespace {

using namespace vantorb::testing;

struct ShapeCase {
  std::string label;
  Tree (*make)();
  std::string name;
  int arity, componentCount;
  std::size_t neurons, synapses;  // after building
};

TEST(FunctionShape, ValuesAndBuiltCountsPerClass) {
  const ShapeCase cases[] = {
      {"W", W, "W", 0, 0, 3, 3},
      {"Z", Z, "Z", 1, 0, 4, 4},
      {"S", S, "S", 1, 0, 4, 5},
      {"U(2,3)", [] { return U(2, 3); }, "U(2,3)", 3, 2, 3, 4},
      {"f = S", [] { return F("f", S()); }, "f", 1, 1, 4, 5},
      // 2 + 3m own neurons; own synapses 2 + 9m (7 per inner function, plus
      // its done and result)
      {"C(U(1,1),S)", [] { return C(U(1, 1), S()); }, "C", 1, 2,
       2 + 3 + 3 + 4, 2 + 9 + 2 + 5},
      // 21 + 3n own neurons; 36 fixed synapses, 7 per parameter, y, and 4
      // from the children's outputs
      {"add", Add, "R", 2, 2, 21 + 3 + 3 + (2 + 3 + 3 + 4),
       36 + 7 + 1 + 4 + 2 + (2 + 9 + 4 + 5)},
      // 13 + 2n own neurons; 21 fixed synapses, 5 per parameter, 2 outputs
      {"M(C(U(2,2),S))", [] { return M(C(U(2, 2), S())); }, "M", 1, 1,
       13 + 2 + (2 + 3 + 3 + 4), 21 + 5 + 2 + (2 + 9 + 3 + 5)},
      {"mul", Mul, "R", 2, 2, 21 + 3 + 4 + (2 + 6 + 3 + 3 + 39),
       36 + 7 + 1 + 4 + 4 + (2 + 18 + 4 + 4 + 70)},
  };
  for (const auto& c : cases) {
    Tree tree = c.make();
    EXPECT_EQ(tree->Name(), c.name) << c.label;
    EXPECT_EQ(tree->Arity(), c.arity) << c.label;
    EXPECT_EQ(tree->ComponentCount(), c.componentCount) << c.label;
    EXPECT_EQ(tree->NeuronCount(), 0u) << c.label;
    const NetworkSize planned = tree->PlannedSize();
    TargetNetwork network;
    BuildTargetNetwork(*tree, network);
    EXPECT_EQ(tree->NeuronCount(), c.neurons) << c.label;
    EXPECT_EQ(tree->SynapseCount(), c.synapses) << c.label;
    EXPECT_EQ(planned.neurons, c.neurons) << c.label;
    EXPECT_EQ(planned.synapses, c.synapses) << c.label;
    EXPECT_EQ(network.inputNeurons.size(), static_cast<std::size_t>(c.arity) + 1);
  }
}

TEST(FunctionShape, RuleValuesFollowTheirChildren) {
  EXPECT_EQ(C(U(1, 2), U(2, 2), Add())->Arity(), 2);
  EXPECT_EQ(C(U(1, 2), U(2, 2), Add())->ComponentCount(), 3);
  EXPECT_EQ(R(U(1, 2), U(4, 4))->Arity(), 3);
  EXPECT_EQ(M(U(1, 3))->Arity(), 2);
  EXPECT_EQ(F(std::string(300, 'n'), S())->Name(), std::string(255, 'n'));
}

TEST(FunctionClone, CopiesShapeButNoNeurons) {
  Tree original = F("f", C(U(1, 2), U(2, 2), Add()));
  TargetNetwork network;
  BuildTargetNetwork(*original, network);
  const std::size_t builtNeurons = original->NeuronCount();
  Tree clone = original->Clone();
  InMemoryTree a, b;
  original->AddToTree(a, std::nullopt);
  clone->AddToTree(b, std::nullopt);
  EXPECT_EQ(a.Outline(), b.Outline());
  EXPECT_EQ(clone->NeuronCount(), 0u);

  TargetNetwork cloneNetwork;
  BuildTargetNetwork(*clone, cloneNetwork);
  EXPECT_EQ(clone->NeuronCount(), builtNeurons);
  EXPECT_EQ(original->NeuronCount(), builtNeurons);
  std::vector<std::string> originalLines, cloneLines;
  original->WriteEquations(originalLines);
  clone->WriteEquations(cloneLines);
  EXPECT_EQ(originalLines, cloneLines);  // same names, same wiring

  const Tree projection = U(1, 2)->Clone();
  const auto& p = dynamic_cast<const Projection&>(*projection);
  EXPECT_EQ(p.Index(), 1);
  EXPECT_EQ(p.Arity(), 2);
  EXPECT_EQ(p.Name(), "U(1,2)");
}

TEST(FunctionClone, DestroyingABuiltTreeLeavesTheInputs) {
  TargetNetwork network;
  {
    Tree tree = Mul();
    BuildTargetNetwork(*tree, network);
  }  // the tree and every neuron it built are gone
  ASSERT_EQ(network.inputNeurons.size(), 3u);
  network.inputNeurons[1]->SetArgument("2");
  EXPECT_EQ(network.inputNeurons[1]->ResultText(), "2");
}

TEST(FunctionTree, ShowsFunctionsRulesAndAxioms) {
  InMemoryTree nodes;
  const auto top = nodes.AddNode(std::nullopt, "program");
  F("mul", Mul())->AddToTree(nodes, top);
  EXPECT_EQ(nodes.Outline(),
            "program\n"
            "  mul\n"
            "    R\n"
            "      Z\n"
            "      C\n"
            "        U(1,3)\n"
            "        U(3,3)\n"
            "        R\n"
            "          U(1,1)\n"
            "          C\n"
            "            U(3,3)\n"
            "            S\n");
  EXPECT_THROW(nodes.AddNode(999, "x"), NeuroException);
}

TEST(FunctionNames, NamedSuccessorWritesTheFourEquationLines) {
  for (const char* separator : {".", ","}) {
    SeparatorScope scope(separator);
    Tree f = F("f", S());
    TargetNetwork network;
    BuildTargetNetwork(*f, network);
    std::vector<std::string> lines;
    f->WriteEquations(lines);
    const std::vector<std::string> expected{
        "XSin_1_0(i+1) = sigma( 1.0*Ein(i) + 0 )",
        "XSEout_1_1(i+1) = sigma( 1.0*XSin_1_0(i) + 0 )",
        "XSdata_1_2(i+1) = sigma( 1.0*Edata1(i) + 0 )",
        "XSEres_1_3(i+1) = sigma( 1.0*XSin_1_0(i) + 0.10*XSdata_1_2(i) + -0.9 )",
    };
    EXPECT_EQ(lines, expected) << separator;
    EXPECT_EQ(network.inputNeurons[0]->Name(), "Ein");
    EXPECT_EQ(network.inputNeurons[1]->Name(), "Edata1");
    EXPECT_EQ(network.outputNeurons[1]->Bias(), "-0" + std::string(separator) + "9");
  }
}

TEST(FunctionNames, RuleEquationsStartWithTheirOwnNeurons) {
  SeparatorScope scope(".");
  Tree tree = M(C(U(2, 2), S()));
  TargetNetwork network;
  BuildTargetNetwork(*tree, network);
  std::vector<std::string> lines;
  tree->WriteEquations(lines);
  ASSERT_EQ(lines.size(), tree->NeuronCount());
  EXPECT_EQ(lines[0], "XMin_0_0(i+1) = sigma( 1.0*Ein(i) + 0 )");
  EXPECT_EQ(lines[3], "XMhid4_0_3(i+1) = sigma( 0.10*XMin_0_0(i) + 1.0*XMhid4_0_3(i)"
                      " + -1.0*XMEout_0_8(i) + -1.0*XMhid11_0_10(i) + 1.0*XMhid12_0_11(i) + 0 )");
  // f's result neuron is that of C's outer successor, two levels down.
  EXPECT_EQ(lines[6], "XMhid7_0_6(i+1) = sigma( 1.0*XSres_2_6(i) + -0.1 )");
  EXPECT_EQ(lines[13], "XMdata1_0_13(i+1) = sigma( 1.0*XMdata1_0_13(i) + -1.0*XMEout_0_8(i)"
                       " + 1.0*Edata1(i) + 0 )");
  EXPECT_EQ(lines[15], "XChid1_1_0(i+1) = sigma( -1.0*XChid1_1_0(i) + 1.0*XChid5_1_4(i) + 0 )");
}

// A function object with a fixed number of own neurons, for numbering.
class Block : public ProofObj {
 public:
  Block(int own, ProofObjContainer children)
      : ProofObj("B", 0, 0), own_(own) {
    AddChildren(std::move(children));
  }
  std::unique_ptr<ProofObj> Clone() const override {
    return std::make_unique<Block>(own_, Children().CloneAll());
  }
  void BuildNetwork(const NeuronList& inputs, NeuronList& outputs) override {
    for (int i = 0; i < own_; ++i) NewNeuron("n");
    for (const auto& child : Children()) child->BuildNetwork(inputs, outputs);
  }
  void AddToTree(FunctionTreeNodes&, std::optional<TreeNodeHandle>) const override {}
  NetworkSize PlannedOwnSize() const override {
    return {static_cast<std::size_t>(own_), 0};
  }

 private:
  int own_;
};

TEST(FunctionNames, NumberNeuronsSharesTheBaseWithTheFirstChild) {
  Block root(2, List(std::make_unique<Block>(3, ProofObjContainer()),
                     std::make_unique<Block>(4, ProofObjContainer())));
  NeuronList in, out;
  root.BuildNetwork(in, out);
  root.NumberNeurons(5, 10);
  NeuronList all;
  root.CollectNeurons(all, "XB", true);
  std::vector<std::string> names;
  for (auto* n : all) names.push_back(n->Name());
  const std::vector<std::string> expected{
      "XBn_5_10", "XBn_5_11",                              // the root's own
      "XBn_6_10", "XBn_6_11", "XBn_6_12",                  // first child
      "XBn_6_13", "XBn_6_14", "XBn_6_15", "XBn_6_16"};     // second child
  EXPECT_EQ(names, expected);
}

TEST(FunctionNames, CollectNeuronsByNameAndChange) {
  Tree f = F("f", S());
  TargetNetwork network;
  BuildTargetNetwork(*f, network);
  auto names = [&](const char* text, bool all) {
    NeuronList list;
    f->CollectNeurons(list, text, all);
    std::vector<std::string> result;
    for (auto* n : list) result.push_back(n->Name());
    return result;
  };
  EXPECT_EQ(names("res", true), std::vector<std::string>{"XSEres_1_3"});
  EXPECT_EQ(names("XS", true).size(), 4u);
  EXPECT_TRUE(names("", true).empty());
  EXPECT_TRUE(names("XS", false).empty());  // freshly built: all at rest
  network.inputNeurons[0]->SetValueText("1");
  f->ComputeNext();  // "in" will become 1
  EXPECT_EQ(names("XS", false), std::vector<std::string>{"XSin_1_0"});
}

struct CheckCase {
  std::string label;
  Tree (*make)();
  std::string message;  // empty: valid
  bool composition;     // CompositionException, else RecursionException
};

template <typename RuleClass, typename... Trees>
Tree Unchecked(Trees... trees) {
  return std::make_unique<RuleClass>(List(std::move(trees)...));
}

TEST(RuleChecks, ReportTheFirstFaultWithItsMessage) {
  const std::string longName(300, 'g');
  static std::string longNameStatic;
  longNameStatic = longName;
  const CheckCase cases[] = {
      {"C()", [] { return Unchecked<Comp>(); },
       "Composition must have at least 2 arguments", true},
      {"C(S)", [] { return Unchecked<Comp>(S()); },
       "Composition must have at least 2 arguments", true},
      {"C(S,S,S)", [] { return Unchecked<Comp>(S(), S(), S()); },
       "Composition of 2 parameters on arity 1 expression", true},
      {"C(U(1,2),U(1,2),U(1,3),U(1,3))",
       [] { return Unchecked<Comp>(U(1, 2), U(1, 2), U(1, 3), U(1, 3)); },
       "Composition of expressions with different arities", true},
      {"C(U(1,3),S,U(1,2))",  // arity of f is checked before the inner ones
       [] { return Unchecked<Comp>(U(1, 3), S(), U(1, 1)); },
       "Composition of 2 parameters on arity 1 expression", true},
      {"C(U(1,2),U(2,2),add)",
       [] { return Unchecked<Comp>(U(1, 2), U(2, 2), Add()); }, "", true},
      {"R(S)", [] { return Unchecked<Recur>(S()); },
       "Recursion with 1 should have 2!", false},
      {"R(S,S,S)", [] { return Unchecked<Recur>(S(), S(), S()); },
       "Recursion with 3 should have 2!", false},
      {"R(S,U(1,2))", [] { return Unchecked<Recur>(S(), U(1, 2)); },
       "Arity of U(1,2) is not the arity of S plus 2", false},
      {"R(f,long)",
       [] {
         return Unchecked<Recur>(F("f", S()), F(longNameStatic, U(1, 2)));
       },
       ("Arity of " + longName + " is not the arity of f plus 2").substr(0, 255),
       false},
      {"R(W,U(1,2))", [] { return Unchecked<Recur>(W(), U(1, 2)); }, "", false},
      {"M(S,S)", [] { return Unchecked<Minim>(S(), S()); },
       "Minimalization with 2 parameters, should have only 1", false},
      {"M()", [] { return Unchecked<Minim>(); },
       "Minimalization with 0 parameters, should have only 1", false},
      {"M(W)", [] { return Unchecked<Minim>(W()); },
       "Minimalization of 0-arity expression is not allowed", false},
      {"M(Z)", [] { return Unchecked<Minim>(Z()); }, "", false},
  };
  for (const auto& c : cases) {
    Tree tree = c.make();
    const auto& rule = dynamic_cast<const Rule&>(*tree);
    if (c.message.empty()) {
      EXPECT_NO_THROW(rule.CheckArguments()) << c.label;
      continue;
    }
    try {
      rule.CheckArguments();
      ADD_FAILURE() << c.label << ": no error";
    } catch (const CompositionException& e) {
      EXPECT_TRUE(c.composition) << c.label;
      EXPECT_EQ(std::string(e.what()), c.message) << c.label;
    } catch (const RecursionException& e) {
      EXPECT_FALSE(c.composition) << c.label;
      EXPECT_EQ(std::string(e.what()), c.message) << c.label;
    }
    // An unchecked tree must not build a circuit on the wrong inputs.
    TargetNetwork network;
    EXPECT_THROW(BuildTargetNetwork(*tree, network), NeuroClassException)
        << c.label;
  }
}

TEST(RuleChecks, ShortInputListsAreRefusedBeforeBuilding) {
  for (Tree (*make)() : {+[] { return Z(); }, +[] { return S(); },
                         +[] { return Add(); }, +[] { return M(Sub()); }}) {
    Tree tree = make();
    NeuronList tooFew, outputs;
    EXPECT_THROW(tree->BuildNetwork(tooFew, outputs), NeuroClassException)
        << tree->Name();
    EXPECT_EQ(tree->Neurons().Count(), 0u) << tree->Name();
  }
}

}  // namespace
}  // namespace vantorb
