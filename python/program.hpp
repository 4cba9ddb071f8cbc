#pragma once
// Program: a compiled program or a loaded equation file as Python holds
// it, over one Network it owns. Reading it (info, equations, graph,
// weights) is free at any time; a computation (run, eval, a trace) has the
// network to itself: one started while another holds it waits, without the
// GIL, until that one is done. A trace holds the network from its start
// until it is exhausted or released, so a computation started in the
// thread that holds an unfinished trace raises Error instead of waiting
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
  std::vector<std::string> Equations() const { return network_->Equations(); }
  std::string Graph() const;
  // {"neurons", "inputs", "outputs": names; "synapses": [(target, source,
  // weight float)]; "biases": {name: Decimal}} for the neurons the network
  // computes (inputs are set by a run, not computed).
  pybind11::dict Weights() const;

  // The arguments are checked as the tool checks them (ArgumentError),
  // limit must lie in [0, kMaxIterationLimit]. The run goes without the
  // GIL in slices, and Python's signal handlers run between them, so
  // Ctrl-C ends it with KeyboardInterrupt.
  RunOutcome Run(const pybind11::args& arguments, long long limit, const std::string& engine);
  pybind11::int_ Eval(const pybind11::args& arguments, std::uint64_t searchBound);
  std::unique_ptr<TraceIterator> Trace(const pybind11::args& arguments, const std::string& token,
                                       long long limit);

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
  // Checked argument texts: each argument's str().
  std::vector<std::string> Arguments(const pybind11::args& arguments) const;

  std::unique_ptr<Network> network_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool used_ = false;
  std::thread::id tracer_;  // the thread of the trace holding it, if any
};

// Checks an iteration limit and returns it as a run takes it.
int IterationLimit(long long limit);

}  // namespace vantorb::python
