#pragma once
// Program: a compiled program or a loaded equation file as Python holds
// it, over one Network it owns. Thread-safe: reading it (info, equations,
// graph, weights) is free at any time, as it reads only what the network
// never changes; a computation (run, eval, a trace) has the network to
// itself: one started while another holds it waits, without the GIL, until
// that one is done. A trace holds the network from its start until it is
// exhausted, ends with an error or is closed, so a computation started in
// the thread that holds an unfinished trace raises Error instead of waiting
// for ever. Programs share nothing: runs of two Programs go on in parallel.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <pybind11/pybind11.h>

#include "driver/network.hpp"

namespace vantorb::python {

class TraceIterator;

// What Program.run returns: the result (None when the limit stopped a
// network without a result neuron), the iterations and whether the limit
// stopped the run.
struct RunOutcome {
  pybind11::object result;
  std::int64_t iterations = 0;
  bool stoppedByLimit = false;
};

class Program {
 public:
  explicit Program(std::unique_ptr<Network> network) : network_(std::move(network)) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The tool's info keys (counts as int) and "arity".
  pybind11::dict Info() const;
  pybind11::list Equations() const;
  pybind11::str Graph() const;
  // {"neurons", "inputs", "outputs": names; "synapses": [(target, source,
  // weight float)]; "biases": {name: Decimal}} for the neurons the network
  // computes (inputs are set by a run, not computed).
  pybind11::dict Weights() const;

  // The arguments and options are checked as the tool checks them, and
  // refused with ArgumentError whatever their type: arguments natural
  // numbers (for a trace at most kMaxArgument, for a run at most what its
  // engine takes: NetworkRun::LargestArgument), limit in
  // [0, kMaxIterationLimit], bound in [0, 2^63 - 1], token not empty. A run
  // and an evaluation go without the GIL, and Python's signal handlers get
  // a turn every kSlice, so Ctrl-C ends them with KeyboardInterrupt.
  RunOutcome Run(const pybind11::args& arguments, const pybind11::object& limit,
                 const pybind11::object& engine);
  pybind11::int_ Eval(const pybind11::args& arguments, const pybind11::object& bound);
  std::unique_ptr<TraceIterator> Trace(const pybind11::args& arguments,
                                       const pybind11::object& token,
                                       const pybind11::object& limit);

  // The network to oneself while a Use lives; see the class comment.
  class Use {
   public:
    Use(Program& program, bool byTrace);
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    Program& program_;
  };
  const Network& Net() const { return *network_; }

 private:
  // The arguments as checked texts, also within `largest` unless it is 0.
  std::vector<std::string> Arguments(const pybind11::args& arguments,
                                     std::int64_t largest) const;

  std::unique_ptr<Network> network_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool used_ = false;
  std::thread::id tracer_;  // the thread of the trace holding it, if any
};

// Checks an iteration limit and returns it as a run takes it.
std::int64_t IterationLimit(const pybind11::handle& limit);

}  // namespace vantorb::python
