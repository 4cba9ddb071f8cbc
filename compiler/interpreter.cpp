#include "compiler/interpreter.hpp"

#include <string>

#include "compiler/axioms.hpp"
#include "compiler/composition.hpp"
#include "compiler/minimization.hpp"
#include "compiler/recursion.hpp"
#include "compiler/user_net.hpp"
#include "network/exceptions.hpp"

namespace vantorb {
namespace {

// The stop request is asked once per this many rule applications: often
// enough for Ctrl-C to act at once, rarely enough to cost nothing.
constexpr std::uint64_t kStopCheckInterval = 1 << 14;

// Unwinds the recursion when the stop request answers true; never leaves
// Evaluate.
struct Stopped {};

}  // namespace

std::optional<std::uint64_t> Interpreter::Evaluate(const ProofObj& function,
                                                   const std::vector<std::uint64_t>& arguments) {
  steps_ = 0;
  try {
    return Apply(function, arguments);
  } catch (const Stopped&) {
    return std::nullopt;
  }
}

bool Interpreter::HasDefinition(const ProofObj& function) {
  if (dynamic_cast<const UserNet*>(&function) != nullptr) return false;
  for (const auto& child : function.Children())
    if (!HasDefinition(*child)) return false;
  return true;
}

void Interpreter::Step() {
  if (++steps_ > stepBudget_)
    throw NeuroException("The evaluation takes more than " + std::to_string(stepBudget_) +
                         " steps");
  if (stop_ && steps_ % kStopCheckInterval == 0 && stop_()) throw Stopped{};
}

std::uint64_t Interpreter::Apply(const ProofObj& f, const std::vector<std::uint64_t>& x) {
  Step();
  const auto& children = f.Children();
  if (dynamic_cast<const Zero*>(&f) || dynamic_cast<const UnaryZero*>(&f)) return 0;
  if (dynamic_cast<const Successor*>(&f)) {
    if (x.empty() || x[0] == UINT64_MAX) throw NeuroException("A value passes 64 bits");
    return x[0] + 1;
  }
  if (const auto* u = dynamic_cast<const Projection*>(&f)) {
    // An index outside the arguments wires nothing: the network answers 0.
    const auto i = u->Index();
    return i >= 1 && static_cast<std::size_t>(i) <= x.size() ? x[i - 1] : 0;
  }
  if (dynamic_cast<const Comp*>(&f)) {
    std::vector<std::uint64_t> inner;
    for (std::size_t k = 0; k + 1 < children.Count(); ++k)
      inner.push_back(Apply(children.Get(k), x));
    return Apply(children.Get(children.Count() - 1), inner);
  }
  if (dynamic_cast<const Recur*>(&f)) {
    // h(x, 0) = base(x); h(x, y + 1) = step(x, y, h(x, y)).
    std::vector<std::uint64_t> parameters(x.begin(), x.end() - (x.empty() ? 0 : 1));
    const std::uint64_t y = x.empty() ? 0 : x.back();
    std::uint64_t h = Apply(children.Get(0), parameters);
    std::vector<std::uint64_t> stepArguments = parameters;
    stepArguments.resize(parameters.size() + 2);
    for (std::uint64_t counter = 0; counter < y; ++counter) {
      stepArguments[parameters.size()] = counter;
      stepArguments[parameters.size() + 1] = h;
      h = Apply(children.Get(1), stepArguments);
    }
    return h;
  }
  if (dynamic_cast<const Minim*>(&f)) {
    std::vector<std::uint64_t> candidate = x;
    candidate.push_back(0);
    for (std::uint64_t y = 0; y < searchBound_; ++y) {
      candidate.back() = y;
      if (Apply(children.Get(0), candidate) == 0) return y;
    }
    throw NeuroException("No value below " + std::to_string(searchBound_) +
                         " makes the minimized function 0");
  }
  if (dynamic_cast<const Func*>(&f) && !children.Empty()) return Apply(children.Get(0), x);
  throw NeuroException("Function " + f.Name() + " has no definition to evaluate");
}

}  // namespace vantorb
