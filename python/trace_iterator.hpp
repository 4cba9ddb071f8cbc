#pragma once
// TraceIterator: Program.trace as a Python iterator. Each step runs one
// iteration (without the GIL) and gives (iteration, {name: Decimal}) for
// the neurons whose names contain the token ("*": all), the values exactly
// the CSV texts of the tool's trace; the first item is the iteration Start
// leaves. It keeps only the run, never past rows, so its memory does not
// grow with the run. It holds its Program's network (Program::Use) until
// it is exhausted, a step fails or it is closed; the Program must outlive
// it. A step that fails ends the trace, as an exception ends a generator.
//
// Thread-safe: steps are taken one at a time, so threads that share a
// trace share out its rows; Close waits for the step in progress, and the
// network is let go only once no step is running on it. The properties
// tell how the run stood after the last step.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "python/program.hpp"
#include "simulation/network_run.hpp"
#include "simulation/trace.hpp"

namespace vantorb::python {

class TraceIterator {
 public:
  // Starts the run, recording the neurons `chosen` reads
  // (TraceRecorder::Reading); throws what NetworkRun::Start throws.
  TraceIterator(Program& program, const std::vector<std::string>& arguments,
                TraceRecorder chosen, std::int64_t limit);

  // The next row; pybind11::stop_iteration once the run has ended; what
  // the run throws, after which the trace has ended.
  pybind11::tuple Next();
  // Ends the trace and lets the network go (Python's close()), once the
  // step in progress in another thread, if any, is done.
  void Close();

  // The traced neurons' names, in the order of a row's values.
  pybind11::list Names() const;
  bool Done() const { return use_ == nullptr; }
  std::int64_t Iterations() const { return iterations_; }
  bool StoppedByLimit() const { return status_ == RunStatus::LimitReached; }
  // The result once the run has ended with one, else None; the result
  // neuron's read-out when the limit stopped the run, else None (as
  // RunResult's result and partial_result).
  pybind11::object Result() const;
  pybind11::object PartialResult() const;

 private:
  // The lock on the steps, waited for without the GIL: the thread that
  // holds it may need the GIL to finish its step.
  std::unique_lock<std::mutex> StepLock();
  pybind11::tuple Row() const;

  // Guards run_ and recorder_, which change without the GIL; everything
  // else changes only while the GIL and this lock are both held.
  std::mutex stepping_;
  std::unique_ptr<Program::Use> use_;
  NetworkRun run_;
  TraceRecorder recorder_;
  std::int64_t limit_;
  RunStatus status_ = RunStatus::Running;
  bool started_ = false;
  std::int64_t iterations_ = 0;
  std::string result_;
  pybind11::object decimal_;
  std::vector<pybind11::str> names_;
};

}  // namespace vantorb::python
