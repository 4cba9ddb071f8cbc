#include "simulation/run_arguments.hpp"

#include <climits>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {

void CheckNaturalNumbers(const std::vector<std::string>& arguments) {
  for (const auto& argument : arguments)
    if (!IsNaturalNumberText(argument))
      throw ArgumentError("argument '" + argument + "' is not a natural number");
}

void CheckArity(const Network& network, const std::vector<std::string>& arguments) {
  const auto arity = network.Target().Arity();
  if (arguments.size() != static_cast<std::size_t>(arity))
    throw ArgumentError(network.Report().targetName + " takes " + std::to_string(arity) +
                        (arity == 1 ? " argument, " : " arguments, ") +
                        std::to_string(arguments.size()) + " given");
}

std::optional<std::uint64_t> EvaluateDefinition(const ProofObj& target,
                                                const std::vector<std::string>& arguments,
                                                std::uint64_t searchBound, StopRequest stop) {
  std::vector<std::uint64_t> values;
  for (const auto& argument : arguments) {
    const auto value = ParseDecimalInteger(argument, 0, INT64_MAX);
    if (!value)
      throw ArgumentError("argument '" + argument + "' is larger than " +
                          std::to_string(INT64_MAX));
    values.push_back(static_cast<std::uint64_t>(*value));
  }
  return Interpreter(searchBound, Interpreter::kDefaultStepBudget, std::move(stop))
      .Evaluate(target, values);
}

}  // namespace vantorb
