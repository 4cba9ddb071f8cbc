#pragma once
// The module's exceptions: vantorb.Error for every error the programs
// report, vantorb.CompileError(Error) for a program or an equation file
// that cannot be loaded, with a `line` attribute (the line its message
// names, else None), and vantorb.ArgumentError(Error, ValueError) for
// arguments and options a computation refuses, vantorb.Cancelled(Error)
// for a computation its timeout or its cancel object stopped. C++ errors
// become them as they leave a binding: ArgumentError as ArgumentError,
// CompileFailure as CompileError, CancelledComputation as Cancelled, any
// other NeuroException as Error, always with its text as PythonText gives
// it.

#include <optional>
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

namespace vantorb::python {

// A load that failed: the message the window shows and the line it names.
struct CompileFailure : std::runtime_error {
  CompileFailure(const std::string& message, std::optional<int> line)
      : std::runtime_error(message), line(line) {}
  std::optional<int> line;
};

// A computation stopped by its caller's timeout or cancel object: the
// caller asked for it, but Python learns of it as an exception, as the
// computation has no value to return.
struct CancelledComputation : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Creates the exception classes in the module and registers the
// translation of C++ errors. Once, at import.
void RegisterErrors(pybind11::module_& module);

}  // namespace vantorb::python
