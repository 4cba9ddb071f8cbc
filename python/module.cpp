// The vantorb Python module: the bindings of the compiler and the runs,
// converting between Python and the libraries and nothing more. Each
// compilation has a parser of its own and goes without the GIL, so that
// compilations in different threads go on in parallel and none depends on
// anything the interpreter releases at exit.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <pybind11/pybind11.h>
#include <pybind11/stl/filesystem.h>

#include "compiler/interpreter.hpp"
#include "driver/compilation_driver.hpp"
#include "language/parser_interface.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"
#include "python/conversions.hpp"
#include "python/errors.hpp"
#include "python/gil.hpp"
#include "python/program.hpp"
#include "python/trace_iterator.hpp"

namespace py = pybind11;
using vantorb::python::Program;
using vantorb::python::PythonText;
using vantorb::python::RunOutcome;
using vantorb::python::TraceIterator;

namespace {

// A load's errors as CompileError with the window's message.
std::unique_ptr<Program> Loaded(const std::function<std::unique_ptr<vantorb::Network>()>& load) {
  vantorb::python::GilReleased released;
  try {
    return std::make_unique<Program>(load());
  } catch (const std::exception& error) {
    const std::string message = vantorb::ErrorMessage(error);
    throw vantorb::python::CompileFailure(message, vantorb::CompileErrorLine(message));
  }
}

}  // namespace

PYBIND11_MODULE(_vantorb, module) {
  module.doc() = "Compile programs of partial recursive functions into networks and run them "
                 "with exact decimal values.";
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  vantorb::python::RegisterErrors(module);

  py::class_<RunOutcome>(module, "RunResult")
      .def_readonly("result", &RunOutcome::result)
      .def_readonly("iterations", &RunOutcome::iterations)
      .def_readonly("stopped_by_limit", &RunOutcome::stoppedByLimit)
      .def("__repr__", [](const RunOutcome& outcome) {
        return "RunResult(result=" + std::string(py::repr(outcome.result)) +
               ", iterations=" + std::to_string(outcome.iterations) +
               ", stopped_by_limit=" + (outcome.stoppedByLimit ? "True" : "False") + ")";
      });

  py::class_<TraceIterator>(module, "Trace")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &TraceIterator::Next)
      .def("close", &TraceIterator::Close)
      .def_property_readonly("done", &TraceIterator::Done)
      .def_property_readonly("iterations", &TraceIterator::Iterations)
      .def_property_readonly("stopped_by_limit", &TraceIterator::StoppedByLimit)
      .def_property_readonly("result", &TraceIterator::Result);

  py::class_<Program>(module, "Program")
      .def_property_readonly("info", &Program::Info)
      .def("equations", &Program::Equations)
      .def("graph", &Program::Graph)
      .def("weights", &Program::Weights)
      .def("run", &Program::Run, py::arg("limit") = 0, py::arg("engine") = "macro")
      .def("eval", &Program::Eval, py::arg("bound") = vantorb::Interpreter::kDefaultSearchBound)
      .def("trace", &Program::Trace, py::arg("token"), py::arg("limit") = 100000,
           py::keep_alive<0, 1>())
      .def("__repr__", [](const Program& program) {
        return PythonText("<vantorb.Program " + program.Net().Report().targetName + " from " +
                          program.Net().Report().fileName + ">");
      });

  module.def(
      "compile_file",
      [](const std::filesystem::path& path) {
        return Loaded([&] {
          vantorb::NParserInterface parser;
          return vantorb::LoadNetworkFile(parser, path);
        });
      },
      py::arg("path"),
      "Compiles a program file (an equation file, by its extension .equ, is loaded).");
  module.def(
      "compile",
      [](const py::object& text, const py::object& name) {
        std::string program = vantorb::python::ProgramBytes(text, "text");
        const std::string fileName = vantorb::python::ProgramBytes(name, "name");
        return Loaded([&] {
          vantorb::NParserInterface parser;
          return vantorb::CompileProgramText(parser, std::move(program), fileName);
        });
      },
      py::arg("text"), py::arg("name") = "program.prv", "Compiles a program given as text.");
  module.def(
      "load_equations",
      [](const std::filesystem::path& path) {
        return Loaded([&] { return vantorb::LoadEquationFile(path); });
      },
      py::arg("path"), "Loads a dynamic equation file.");
}
