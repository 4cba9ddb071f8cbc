#pragma once
// Program: a compiled program or a loaded equation file as Python holds
// it, over one Network it owns, with the text it was made from, the file
// name that text goes by and which of the two it is, so that it can be
// made again anywhere from those three alone (pickling). Thread-safe:
// reading it (info, equations, graph, weights, text) is free at any time,
// as it reads only what never changes; a computation (run, eval, a trace)
// has the network to itself: one started while another holds it waits,
// without the GIL, until that one is done, asking every kSlice whether
// Ctrl-C, its timeout or its cancel object stops it. A trace holds the
// network from its start until it is exhausted, ends with an error or is
// closed, so a computation started in the thread that holds an unfinished
// trace raises Error instead of waiting for ever. Programs share nothing:
// runs of two Programs go on in parallel.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <pybind11/pybind11.h>

#include "driver/network.hpp"
#include "driver/network_source.hpp"
#include "python/run_control.hpp"
#include "python/run_result.hpp"

namespace vantorb::python {

class TraceIterator;

// What a Program is made from.
using ProgramKind = SourceKind;

class Program {
 public:
  // A network made from text, which goes by the file name `name`.
  Program(std::unique_ptr<Network> network, std::string text, std::string name, ProgramKind kind)
      : network_(std::move(network)), text_(std::move(text)), name_(std::move(name)), kind_(kind) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Compiles (ProgramKind::Program) or loads (Equations) text without the
  // GIL; every failure throws CompileFailure with the window's message.
  static std::unique_ptr<Program> FromText(ProgramKind kind, std::string text, std::string name);
  // The same for a file's text, read first; kind Equations, or by the name
  // as the tool takes it (IsEquationFileName) when not given.
  static std::unique_ptr<Program> FromFile(const std::string& path,
                                           std::optional<ProgramKind> kind);

  const std::string& Text() const { return text_; }
  const std::string& Name() const { return name_; }
  ProgramKind Kind() const { return kind_; }
  // What each worker of a sweep makes its own network from.
  NetworkSource Source() const { return {text_, name_, kind_}; }

  // The tool's info keys (counts as int) and "arity".
  pybind11::dict Info() const;
  pybind11::list Equations() const;
  pybind11::str Graph() const;
  // {"neurons", "inputs", "outputs": names; "synapses": [(target, source,
  // weight)]; "biases": {name: bias}} for the neurons the network computes
  // (inputs are set by a run, not computed); weights and biases as exact
  // Decimals of the texts the equation file holds.
  pybind11::dict Weights() const;
  // The equation file of the network, as the tool writes it, atomically
  // (AtomicFile); throws its NeuroException when it cannot.
  void WriteEquations(const std::string& path) const;

  // The arguments and options are checked as the tool checks them, and
  // refused with ArgumentError whatever their type: arguments natural
  // numbers (for a trace at most kMaxArgument, for a run at most what its
  // engine takes: NetworkRun::LargestArgument), limit in
  // [0, kMaxIterationLimit], bound in [0, 2^63 - 1], token not empty,
  // timeout and cancel as RunControl takes them. A run and an evaluation go
  // without the GIL in slices (kSlice), between which Ctrl-C ends them with
  // KeyboardInterrupt and their timeout or cancel object with
  // CancelledComputation.
  RunOutcome Run(const pybind11::args& arguments, const pybind11::object& limit,
                 const pybind11::object& engine, const pybind11::object& timeout,
                 const pybind11::object& cancel);
  pybind11::int_ Eval(const pybind11::args& arguments, const pybind11::object& bound,
                      const pybind11::object& timeout, const pybind11::object& cancel);
  std::unique_ptr<TraceIterator> Trace(const pybind11::args& arguments,
                                       const pybind11::object& token,
                                       const pybind11::object& limit);

  // The network to oneself while a Use lives; see the class comment.
  class Use {
   public:
    // Waits for the network; what stops the wait (control) throws as
    // RunControl::ThrowStop does.
    Use(Program& program, bool byTrace, RunControl& control);
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
  const std::string text_, name_;
  const ProgramKind kind_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool used_ = false;
  std::thread::id tracer_;  // the thread of the trace holding it, if any
};

// Checks an iteration limit and returns it as a run takes it.
std::int64_t IterationLimit(const pybind11::handle& limit);

}  // namespace vantorb::python
