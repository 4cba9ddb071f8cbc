#pragma once
// Interpreter: computes a function straight from its definition on natural
// numbers, without any network: composition, primitive recursion and
// minimization as the rules define them. It is the independent check of
// what a network computes.
//
// Work is bounded: each minimization tries at most `searchBound` candidates
// and the whole evaluation at most `stepBudget` rule applications; past
// either it throws NeuroException saying so, as it does for a value beyond
// 64 bits and for an equation-defined function, which has no definition.

#include <cstdint>
#include <vector>

#include "compiler/proof_obj.hpp"

namespace vantorb {

class Interpreter {
 public:
  Interpreter(std::uint64_t searchBound = 1'000'000, std::uint64_t stepBudget = 100'000'000)
      : searchBound_(searchBound), stepBudget_(stepBudget) {}

  std::uint64_t Evaluate(const ProofObj& function, const std::vector<std::uint64_t>& arguments);

 private:
  std::uint64_t Apply(const ProofObj& f, const std::vector<std::uint64_t>& x);
  void Step();

  std::uint64_t searchBound_, stepBudget_, steps_ = 0;
};

}  // namespace vantorb
