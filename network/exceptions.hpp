#pragma once
// The error classes of the network model and the compiler. Every error is an
// exception that carries nothing but its message text; commands that expect
// errors catch NeuroException and show what() to the user.

#include <exception>
#include <new>
#include <string>

namespace vantorb {

class NeuroException : public std::exception {
 public:
  explicit NeuroException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// Errors of function objects and of the symbol table.
class NeuroClassException : public NeuroException {
  using NeuroException::NeuroException;
};
class CompositionException : public NeuroClassException {
  using NeuroClassException::NeuroClassException;
};
class RecursionException : public NeuroClassException {
  using NeuroClassException::NeuroClassException;
};
class SymbolTableException : public NeuroClassException {
  using NeuroClassException::NeuroClassException;
};

// Scanner, parser, compile and equation-reading errors.
class NeuroCompilerException : public NeuroException {
  using NeuroException::NeuroException;
};

// Arguments that do not fit a computation: not natural numbers, not as many
// as the target takes, or beyond what an evaluation reads. The tool shows
// them as the errors they are (status 2); Python raises its ArgumentError.
class ArgumentError : public NeuroException {
  using NeuroException::NeuroException;
};

// Arithmetic that would leave the range of Number: a weight that is not
// finite or whose integer part exceeds 32 bits, or an integer part that
// would pass 2^63 - 1.
class NumberException : public NeuroException {
  using NeuroException::NeuroException;
};

// The text to show for an error that ended a command: the message of the
// system's own errors, a plain sentence for memory that ran out, and what()
// of anything else.
inline std::string ErrorMessage(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
    return "Not enough memory to finish the command; it was stopped.";
  return error.what();
}

}  // namespace vantorb
