#pragma once
// The arguments of a computation as users give them, as decimal texts:
// checked against the target before a run or an evaluation, and read as
// numbers for the interpreter. Every refusal is an ArgumentError whose text
// the tool prints as an error (status 2).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/interpreter.hpp"
#include "driver/network.hpp"

namespace vantorb {

// Throws ArgumentError "argument 'X' is not a natural number" for the first
// argument that is not one (IsNaturalNumberText).
void CheckNaturalNumbers(const std::vector<std::string>& arguments);

// Throws ArgumentError "NAME takes N argument(s), M given" unless there are
// exactly as many arguments as the network's target takes.
void CheckArity(const Network& network, const std::vector<std::string>& arguments);

// The largest iteration limit a run takes: any a 64-bit count holds.
constexpr std::int64_t kMaxIterationLimit = INT64_MAX;

// The target's value from its definition (Interpreter with searchBound and
// stop) for natural-number arguments; nothing when stop ended it. Throws
// ArgumentError "argument 'X' is larger than 9223372036854775807" for one
// that does not fit, and what Interpreter throws.
std::optional<std::uint64_t> EvaluateDefinition(const ProofObj& target,
                                                const std::vector<std::string>& arguments,
                                                std::uint64_t searchBound,
                                                StopRequest stop = {});

}  // namespace vantorb
