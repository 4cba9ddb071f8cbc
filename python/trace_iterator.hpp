#pragma once
// TraceIterator: Program.trace as a Python iterator. Each step runs one
// iteration (without the GIL) and gives (iteration, {name: Decimal}) for
// the neurons whose names contain the token ("*": all), the values exactly
// the CSV texts of the tool's trace; the first item is the iteration Start
// leaves. It keeps only the run, never past rows, so its memory does not
// grow with the run. It holds its Program's network (Program::Use) until
// it is exhausted or released; the Program must outlive it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "python/program.hpp"
#include "simulation/network_run.hpp"
#include "simulation/trace.hpp"

namespace vantorb::python {

class TraceIterator {
 public:
  // Starts the run; throws what NetworkRun::Start throws.
  TraceIterator(Program& program, const std::vector<std::string>& arguments,
                const std::string& token, int limit);

  // The next row; pybind11::stop_iteration once the run has ended.
  pybind11::tuple Next();
  // Ends the trace at once and lets the network go (Python's close()).
  void Close();

  bool Done() const { return use_ == nullptr; }
  std::int64_t Iterations() const { return run_.Iteration(); }
  bool StoppedByLimit() const { return status_ == RunStatus::LimitReached; }
  pybind11::object Result() const;

 private:
  pybind11::tuple Row() const;

  std::unique_ptr<Program::Use> use_;
  NetworkRun run_;
  TraceRecorder recorder_;
  int limit_;
  RunStatus status_ = RunStatus::Running;
  bool started_ = false;
  pybind11::object decimal_;
  std::vector<pybind11::str> names_;
};

}  // namespace vantorb::python
