#pragma once
// Interpreter: computes a function straight from its definition on natural
// numbers, without any network: composition, primitive recursion and
// minimization as the rules define them. It is the independent check of
// what a network computes.
//
// Work is bounded: each minimization tries at most `searchBound` candidates
// and the whole evaluation at most `stepBudget` rule applications
// (kDefaultStepBudget unless told); past either it throws NeuroException
// saying so, as it does for a value beyond 64 bits and for an
// equation-defined function, which has no definition. A caller that may
// want to stop an evaluation early (Ctrl-C) gives a StopRequest, asked
// every few thousand rule applications; when it answers true the
// evaluation ends with no value. Not thread-safe; distinct objects may be
// used from different threads.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "compiler/proof_obj.hpp"
#include "network/stop_request.hpp"

namespace vantorb {

class Interpreter {
 public:
  static constexpr std::uint64_t kDefaultSearchBound = 1'000'000;
  static constexpr std::uint64_t kDefaultStepBudget = 100'000'000;

  explicit Interpreter(std::uint64_t searchBound = kDefaultSearchBound,
                       std::uint64_t stepBudget = kDefaultStepBudget, StopRequest stop = {})
      : searchBound_(searchBound), stepBudget_(stepBudget), stop_(std::move(stop)) {}

  // The function's value, or nothing when the stop request ended it.
  std::optional<std::uint64_t> Evaluate(const ProofObj& function,
                                        const std::vector<std::uint64_t>& arguments);
  // Rule applications of the evaluation under way, or of the last one.
  std::uint64_t Steps() const { return steps_; }
  // Whether every part of a function has a definition to evaluate: an
  // equation-defined one (UserNet) has none.
  static bool HasDefinition(const ProofObj& function);

 private:
  std::uint64_t Apply(const ProofObj& f, const std::vector<std::uint64_t>& x);
  void Step();

  std::uint64_t searchBound_, stepBudget_, steps_ = 0;
  StopRequest stop_;
};

}  // namespace vantorb
