#pragma once
// Short constructors for function trees in tests: C(U(1,1), S()) reads like
// the program text it stands for. Rules are checked as the parser would.

#include <memory>
#include <string>
#include <utility>

#include "compiler/axioms.hpp"
#include "compiler/composition.hpp"
#include "compiler/minimization.hpp"
#include "compiler/recursion.hpp"

namespace vantorb::testing {

using Tree = std::unique_ptr<ProofObj>;

inline Tree W() { return std::make_unique<Zero>(); }
inline Tree Z() { return std::make_unique<UnaryZero>(); }
inline Tree S() { return std::make_unique<Successor>(); }
inline Tree U(int i, int n) { return std::make_unique<Projection>(i, n); }

template <typename... Trees>
ProofObjContainer List(Trees... trees) {
  ProofObjContainer list;
  (list.Add(std::move(trees)), ...);
  return list;
}

template <typename RuleClass, typename... Trees>
Tree Checked(Trees... trees) {
  auto rule = std::make_unique<RuleClass>(List(std::move(trees)...));
  rule->CheckArguments();
  return rule;
}

template <typename... Trees>
Tree C(Trees... trees) { return Checked<Comp>(std::move(trees)...); }
inline Tree R(Tree f, Tree g) { return Checked<Recur>(std::move(f), std::move(g)); }
inline Tree M(Tree f) { return Checked<Minim>(std::move(f)); }
inline Tree F(const std::string& name, Tree body) {
  return std::make_unique<Func>(name, List(std::move(body)));
}

// Well-known functions, as a program would define them.
inline Tree Add() { return R(U(1, 1), C(U(3, 3), S())); }           // x + y
inline Tree Pred() { return R(W(), U(1, 2)); }                       // y - 1
inline Tree Sub() { return R(U(1, 1), C(U(3, 3), Pred())); }         // x - y
inline Tree Mul() { return R(Z(), C(U(1, 3), U(3, 3), Add())); }     // x * y

}  // namespace vantorb::testing
