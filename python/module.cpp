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
using vantorb::python::Docstring;
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

}  // namespace

PYBIND11_MODULE(_vantorb, module) {
  // The package gives the functions and Program's methods that take
  // arguments as Python functions of its own (_api.py), with real
  // signatures; the extension's own go by names beginning with "_". Every
  // docstring is wrapped for help() (Docstring).
  module.doc() = Docstring(
      "Compile programs of partial recursive functions into networks of saturated-linear "
      "neurons and run them with exact decimal values.\n\n"
      "compile_file() and compile() make a Program from a program; load_equations() and "
      "load_equations_text() from dynamic equations. A Program runs (run), evaluates its "
      "definitions (eval), traces the neurons' values (trace) and gives its network as "
      "equations, DOT text and weights.");
  module.attr("__version__") = VANTORB_VERSION;
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::python::RegisterErrors(module);
  vantorb::python::BindRunResult(module);

  py::class_<TraceIterator>(
      module, "Trace",
      Docstring("The values of chosen neurons, iteration by iteration, made as a run goes: an "
                "iterator over (iteration, {name: Decimal}). It holds its Program until it is "
                "exhausted or closed; as a context manager it is closed on leaving the block.")
          .c_str())
      .def("__iter__", [](py::object self) { return self; }, "The trace itself.")
      .def("__next__", &TraceIterator::Next,
           Docstring("The next row: (iteration, {name: Decimal}); StopIteration once the run "
                     "has ended.")
               .c_str())
      .def("close", &TraceIterator::Close,
           Docstring("Ends the trace and lets the program go, once a step another thread is "
                     "taking is done.")
               .c_str())
      .def("__enter__", [](py::object self) { return self; }, "The trace itself.")
      .def(
          "__exit__",
          [](TraceIterator& trace, const py::args&) {
            trace.Close();
            return false;
          },
          "Closes the trace; exceptions go on.")
      .def_property_readonly("names", &TraceIterator::Names,
                             Docstring("The names of the traced neurons, in the order of each "
                                       "row's values.")
                                 .c_str())
      .def_property_readonly("done", &TraceIterator::Done,
                             "Whether the trace has ended (exhausted, failed or closed).")
      .def_property_readonly("iterations", &TraceIterator::Iterations,
                             "The iteration of the last row.")
      .def_property_readonly("stopped_by_limit", &TraceIterator::StoppedByLimit,
                             "Whether the limit ended the run.")
      .def_property_readonly("result", &TraceIterator::Result,
                             Docstring("The result (int) once the run has ended with one; "
                                       "None before, and when the limit stopped it (see "
                                       "partial_result), as for RunResult.")
                                 .c_str())
      .def_property_readonly("partial_result", &TraceIterator::PartialResult,
                             Docstring("When the limit stopped the run: what the result neuron "
                                       "read at that moment (int), as for RunResult; else "
                                       "None.")
                                 .c_str());

  py::class_<Program>(module, "Program",
                      Docstring("A compiled program or a loaded equation file: one network, "
                                "its target and the text it was made from. Reading it is free "
                                "from any thread; it does one computation at a time. Pickles "
                                "by its text, name and kind.")
                          .c_str())
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
                             Docstring("What vantorb-cli info prints, as a dict (counts as "
                                       "int), and the target's 'arity'.")
                                 .c_str())
      .def("_equations", &Program::Equations)
      .def("_graph", &Program::Graph)
      .def("_weights", &Program::Weights)
      .def("_write_equations",
           [](const Program& program, const std::filesystem::path& path) {
             program.WriteEquations(path.string());
           })
      .def("_run", &Program::Run, py::arg("limit"), py::arg("engine"), py::arg("timeout"),
           py::arg("cancel"))
      .def("_eval", &Program::Eval, py::arg("bound"), py::arg("timeout"), py::arg("cancel"))
      .def("_trace", &Program::Trace, py::arg("token"), py::arg("limit"), py::keep_alive<0, 1>())
      .def("__repr__",
           [](const Program& program) {
             return PythonText("<vantorb.Program " + program.Net().Report().targetName +
                               " from " + program.Net().Report().fileName + ">");
           })
      .def(py::pickle(&ProgramState, &ProgramFromState));

  module.def(
      "_compile_file",
      [](const std::filesystem::path& path) {
        return Program::FromFile(path.string(), std::nullopt);
      },
      "The extension's compile_file(), under vantorb.compile_file.");
  module.def(
      "_compile",
      [](const py::object& text, const py::object& name) {
        return Program::FromText(ProgramKind::Program, ProgramBytes(text, "text"),
                                 ProgramBytes(name, "name"));
      },
      "The extension's compile(), under vantorb.compile.");
  module.def(
      "_load_equations",
      [](const std::filesystem::path& path) {
        return Program::FromFile(path.string(), ProgramKind::Equations);
      },
      "The extension's load_equations(), under vantorb.load_equations.");
  module.def(
      "_load_equations_text",
      [](const py::object& text, const py::object& name) {
        return Program::FromText(ProgramKind::Equations, ProgramBytes(text, "text"),
                                 ProgramBytes(name, "name"));
      },
      "The extension's load_equations_text(), under vantorb.load_equations_text.");
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
  // Program.eval's default bound.
  module.attr("_DEFAULT_BOUND") = vantorb::Interpreter::kDefaultSearchBound;
  module.attr("_MOST_SWEEP_WORKERS") = vantorb::kMaxSweepJobs;
}
