// The vantorb Python module: the bindings of the compiler and the runs,
// converting between Python and the libraries and nothing more. Each
// compilation has a parser of its own and goes without the GIL, so that
// compilations in different threads go on in parallel and none depends on
// anything the interpreter releases at exit.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <pybind11/pybind11.h>
#include <pybind11/stl/filesystem.h>

#include "compiler/interpreter.hpp"
#include "network/utils.hpp"
#include "python/conversions.hpp"
#include "python/errors.hpp"
#include "python/program.hpp"
#include "python/sweep.hpp"
#include "python/run_result.hpp"
#include "python/trace_iterator.hpp"
#include "simulation/sweep.hpp"

namespace py = pybind11;
using vantorb::python::Program;
using vantorb::python::ProgramBytes;
using vantorb::python::ProgramKind;
using vantorb::python::PythonText;
using vantorb::python::TraceIterator;

namespace {

const char* KindName(ProgramKind kind) {
  return kind == ProgramKind::Equations ? "equations" : "program";
}

// A Program as its pickle holds it: the bytes of its text and file name,
// and its kind.
py::tuple ProgramState(const Program& program) {
  return py::make_tuple(py::bytes(program.Text()), py::bytes(program.Name()),
                        KindName(program.Kind()));
}

std::unique_ptr<Program> ProgramFromState(const py::tuple& state) {
  if (state.size() == 3 && PyUnicode_Check(state[2].ptr())) {
    const std::string kind = py::str(state[2]);
    if (kind == "program" || kind == "equations")
      return Program::FromText(kind == "program" ? ProgramKind::Program : ProgramKind::Equations,
                               ProgramBytes(state[0], "text"), ProgramBytes(state[1], "name"));
  }
  throw py::value_error("not the state of a pickled vantorb.Program");
}

constexpr const char* kRunDoc =
    "run(*arguments, limit=0, engine='macro', timeout=None, cancel=None) -> RunResult\n\n"
    "Runs the network on the arguments (natural numbers: int, or str of digits) until it "
    "signals its end or has run `limit` iterations (0: no limit). `engine` is one of "
    "vantorb-cli run --engine's: 'macro' leaps over the loops it has proved, 'event' goes "
    "iteration by iteration, with the same values. `timeout` (seconds, counted from the call) "
    "and `cancel` (an object with is_set(), such as a threading.Event, which may be set from "
    "any thread) are looked at every 50 ms; either one stops the run with Cancelled. Ctrl-C "
    "stops it with KeyboardInterrupt. A run waits for one in progress on the same program.";

constexpr const char* kEvalDoc =
    "eval(*arguments, bound=1000000, timeout=None, cancel=None) -> int\n\n"
    "Computes the target's value from its definitions, without a network. `bound` caps each "
    "minimization's search; the whole evaluation is capped at 100000000 rule applications "
    "(Error past them). `timeout` and `cancel` stop it with Cancelled, as for run().";

}  // namespace

PYBIND11_MODULE(_vantorb, module) {
  module.doc() =
      "Compile programs of partial recursive functions into networks of saturated-linear "
      "neurons and run them with exact decimal values.\n\n"
      "compile_file() and compile() make a Program from a program; load_equations() and "
      "load_equations_text() from dynamic equations. A Program runs (run), evaluates its "
      "definitions (eval), traces the neurons' values (trace) and gives its network as "
      "equations, DOT text and weights.";
  module.attr("__version__") = VANTORB_VERSION;
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::python::RegisterErrors(module);
  vantorb::python::BindRunResult(module);

  py::class_<TraceIterator>(
      module, "Trace",
      "The values of chosen neurons, iteration by iteration, made as a run goes: an iterator "
      "over (iteration, {name: Decimal}). It holds its Program until it is exhausted or "
      "closed; as a context manager it is closed on leaving the block.")
      .def("__iter__", [](py::object self) { return self; }, "The trace itself.")
      .def("__next__", &TraceIterator::Next,
           "The next row: (iteration, {name: Decimal}); StopIteration once the run has ended.")
      .def("close", &TraceIterator::Close,
           "Ends the trace and lets the program go, once a step another thread is taking is "
           "done.")
      .def("__enter__", [](py::object self) { return self; }, "The trace itself.")
      .def(
          "__exit__",
          [](TraceIterator& trace, const py::args&) {
            trace.Close();
            return false;
          },
          "Closes the trace; exceptions go on.")
      .def_property_readonly("names", &TraceIterator::Names,
                             "The names of the traced neurons, in the order of each row's "
                             "values.")
      .def_property_readonly("done", &TraceIterator::Done,
                             "Whether the trace has ended (exhausted, failed or closed).")
      .def_property_readonly("iterations", &TraceIterator::Iterations,
                             "The iteration of the last row.")
      .def_property_readonly("stopped_by_limit", &TraceIterator::StoppedByLimit,
                             "Whether the limit ended the run.")
      .def_property_readonly("result", &TraceIterator::Result,
                             "The result read out so far (int), None before one.");

  py::class_<Program>(module, "Program",
                      "A compiled program or a loaded equation file: one network, its target "
                      "and the text it was made from. Reading it is free from any thread; it "
                      "does one computation at a time. Pickles by its text, name and kind.")
      .def_property_readonly(
          "text", [](const Program& program) { return PythonText(program.Text()); },
          "The text it was made from: the program's, or the equation file's.")
      .def_property_readonly(
          "name", [](const Program& program) { return PythonText(program.Name()); },
          "The file name it came from, as given (the path, or compile()'s name=).")
      .def_property_readonly(
          "kind", [](const Program& program) { return KindName(program.Kind()); },
          "'program' for a compiled program, 'equations' for a loaded equation file.")
      .def_property_readonly("info", &Program::Info,
                             "What vantorb-cli info prints, as a dict (counts as int), and the "
                             "target's 'arity'.")
      .def("equations", &Program::Equations,
           "The dynamic equation lines of the network's neurons, without line ends.")
      .def("graph", &Program::Graph, "The network as Graphviz DOT text.")
      .def("weights", &Program::Weights,
           "The network as plain data: 'neurons' (the names of the neurons it computes), "
           "'inputs' (Ein, Edata1, ...), 'outputs' (end and result neurons), 'synapses' as "
           "(target, source, weight) and 'biases' as {name: bias}, weights and biases exact "
           "Decimals as the equation file writes them.")
      .def(
          "write_equations",
          [](const Program& program, const std::filesystem::path& path) {
            program.WriteEquations(path.string());
          },
          py::arg("path"),
          "Writes the network's dynamic equation file as vantorb-cli equations FILE -o PATH "
          "does: CR LF line ends, the file replaced only once all of it is written.")
      .def("run", &Program::Run, py::arg("limit") = 0, py::arg("engine") = "macro",
           py::arg("timeout") = py::none(), py::arg("cancel") = py::none(), kRunDoc)
      .def("eval", &Program::Eval, py::arg("bound") = vantorb::Interpreter::kDefaultSearchBound,
           py::arg("timeout") = py::none(), py::arg("cancel") = py::none(), kEvalDoc)
      .def("trace", &Program::Trace, py::arg("token"), py::arg("limit") = 100000,
           py::keep_alive<0, 1>(),
           "trace(*arguments, token, limit=100000) -> Trace\n\n"
           "Runs the network row by row for the neurons whose names contain `token` ('*': "
           "all). The program is held until the trace ends.")
      .def("__repr__",
           [](const Program& program) {
             return PythonText("<vantorb.Program " + program.Net().Report().targetName +
                               " from " + program.Net().Report().fileName + ">");
           })
      .def(py::pickle(&ProgramState, &ProgramFromState));

  module.def(
      "compile_file",
      [](const std::filesystem::path& path) { return Program::FromFile(path.string(), std::nullopt); },
      py::arg("path"),
      "Compiles a program file; a file whose name ends in .equ (any case) is loaded as dynamic "
      "equations, as the tool does. Raises CompileError.");
  module.def(
      "compile",
      [](const py::object& text, const py::object& name) {
        return Program::FromText(ProgramKind::Program, ProgramBytes(text, "text"),
                                 ProgramBytes(name, "name"));
      },
      py::arg("text"), py::arg("name") = "program.prv",
      "Compiles a program given as text (str, or bytes as a file holds them); `name` is the "
      "file name it goes by. Raises CompileError.");
  module.def(
      "load_equations",
      [](const std::filesystem::path& path) {
        return Program::FromFile(path.string(), ProgramKind::Equations);
      },
      py::arg("path"), "Loads a dynamic equation file, whatever its name. Raises CompileError.");
  module.def(
      "load_equations_text",
      [](const py::object& text, const py::object& name) {
        return Program::FromText(ProgramKind::Equations, ProgramBytes(text, "text"),
                                 ProgramBytes(name, "name"));
      },
      py::arg("text"), py::arg("name") = "UserNet.EQU",
      "Loads dynamic equations given as text (str or bytes); `name` is the file name they go "
      "by. Raises CompileError.");
  module.def("_sweep_on_threads", &vantorb::python::SweepOnThreads, py::arg("program"),
             py::arg("tuples"), py::arg("limit"), py::arg("engine"), py::arg("workers"),
             py::arg("timeout"), py::arg("cancel"), py::arg("on_row"),
             py::arg("on_progress") = py::none(),
             "The library's sweep for vantorb.sweep on threads: on_row(index, RunResult) for "
             "each tuple in order, on_progress(runs ended, tuples); returns (rows, None) or "
             "(rows, what stopped it).");
  module.def("_check_sweep", &vantorb::python::CheckSweep, py::arg("program"), py::arg("tuples"),
             py::arg("limit"), py::arg("engine"), py::arg("workers"), py::arg("timeout"),
             py::arg("cancel"),
             "Raises what _sweep_on_threads raises before its first run, running nothing.");
  // What one sweep takes at most, for the package to refuse more as the
  // library does before it has read them all.
  module.attr("_MOST_SWEEP_TUPLES") = vantorb::kMaxSweepTuples;
  module.attr("_MOST_SWEEP_WORKERS") = vantorb::kMaxSweepJobs;
}
