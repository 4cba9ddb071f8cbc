#pragma once
// RunResult: what Program.run returns, as a Python value: the arguments as
// ints, the result (None unless the run finished), the read-out of the
// result neuron when the limit stopped the run (None otherwise, or without
// a result neuron), the iterations and whether the limit stopped it. It
// compares, hashes and pickles by all five, and Python code may make one
// (to compare with, or to rebuild one sent elsewhere).
//
// Immutable once made, so any thread may read it; it holds Python objects
// and is made and destroyed with the GIL.

#include <cstdint>

#include <pybind11/pybind11.h>

namespace vantorb::python {

struct RunOutcome {
  pybind11::tuple arguments;
  pybind11::object result;
  pybind11::object partialResult;
  std::int64_t iterations = 0;
  bool stoppedByLimit = false;
};

// Adds the class RunResult to the module.
void BindRunResult(pybind11::module_& module);

}  // namespace vantorb::python
