#include "python/run_result.hpp"

#include <string>

#include "python/conversions.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

bool IsWholeNumber(const py::handle& value) {
  return PyLong_Check(value.ptr()) && !PyBool_Check(value.ptr());
}

py::object ResultOrNone(const py::object& value, const char* parameter) {
  if (!value.is_none() && !IsWholeNumber(value))
    throw py::type_error(std::string(parameter) + " takes an int or None");
  return value;
}

RunOutcome MakeOutcome(const py::iterable& arguments, const py::object& result,
                       std::int64_t iterations, bool stoppedByLimit,
                       const py::object& partialResult) {
  RunOutcome outcome;
  outcome.arguments = py::tuple(arguments);
  for (const py::handle argument : outcome.arguments)
    if (!IsWholeNumber(argument)) throw py::type_error("arguments takes ints");
  outcome.result = ResultOrNone(result, "result");
  outcome.partialResult = ResultOrNone(partialResult, "partial_result");
  outcome.iterations = iterations;
  outcome.stoppedByLimit = stoppedByLimit;
  return outcome;
}

py::tuple Fields(const RunOutcome& outcome) {
  return py::make_tuple(outcome.arguments, outcome.result, outcome.iterations,
                        outcome.stoppedByLimit, outcome.partialResult);
}

}  // namespace

void BindRunResult(py::module_& module) {
  py::class_<RunOutcome>(module, "RunResult",
                         Docstring("How a run ended: its arguments, its result, the iterations "
                                   "it took and whether its limit stopped it.\n\n"
                                   "Values compare equal, hash and pickle by all their fields.")
                             .c_str())
      .def(py::init(&MakeOutcome), py::arg("arguments"), py::arg("result"),
           py::arg("iterations"), py::arg("stopped_by_limit"),
           py::arg("partial_result") = py::none(),
           "A result made by hand, with the fields Program.run fills.")
      .def_readonly("arguments", &RunOutcome::arguments,
                    "The arguments of the run, as a tuple of ints.")
      .def_readonly("result", &RunOutcome::result,
                    "The result the network gave (int), or None when the run did not finish.")
      .def_readonly("partial_result", &RunOutcome::partialResult,
                    Docstring("When the limit stopped the run: what the result neuron read at "
                              "that moment (int). None when the run finished or the network has "
                              "no result neuron.")
                        .c_str())
      .def_readonly("iterations", &RunOutcome::iterations, "The iterations the run took.")
      .def_readonly("stopped_by_limit", &RunOutcome::stoppedByLimit,
                    "Whether the iteration limit stopped the run before its end.")
      .def_property_readonly(
          "status",
          [](const RunOutcome& outcome) {
            return outcome.stoppedByLimit ? "limit" : outcome.result.is_none() ? "stopped" : "done";
          },
          Docstring("How the run ended, as vantorb-cli sweep writes it: \"done\" (it "
                    "finished), \"limit\" (its limit stopped it) or \"stopped\" (a stop of its "
                    "sweep cut it short).")
              .c_str())
      .def("as_tuple", &Fields,
           Docstring("The fields in the order RunResult() takes them: (arguments, result, "
                     "iterations, stopped_by_limit, partial_result), so that "
                     "RunResult(*r.as_tuple()) == r.")
               .c_str())
      .def(
          "as_dict",
          [](const RunOutcome& outcome) {
            py::dict fields;
            fields["arguments"] = outcome.arguments;
            fields["result"] = outcome.result;
            fields["iterations"] = outcome.iterations;
            fields["stopped_by_limit"] = outcome.stoppedByLimit;
            fields["partial_result"] = outcome.partialResult;
            return fields;
          },
          Docstring("The fields as a dict of RunResult()'s keywords, so that "
                    "RunResult(**r.as_dict()) == r.")
              .c_str())
      .def("__eq__",
           [](const RunOutcome& outcome, const py::object& other) -> py::object {
             if (!py::isinstance<RunOutcome>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             return py::bool_(Fields(outcome).equal(Fields(other.cast<const RunOutcome&>())));
           })
      .def("__hash__", [](const RunOutcome& outcome) { return py::hash(Fields(outcome)); })
      .def("__repr__",
           [](const RunOutcome& outcome) {
             return "RunResult(arguments=" + std::string(py::repr(outcome.arguments)) +
                    ", result=" + std::string(py::repr(outcome.result)) +
                    ", iterations=" + std::to_string(outcome.iterations) +
                    ", stopped_by_limit=" + (outcome.stoppedByLimit ? "True" : "False") +
                    ", partial_result=" + std::string(py::repr(outcome.partialResult)) + ")";
           })
      .def(py::pickle(&Fields, [](const py::tuple& fields) {
        if (fields.size() != 5) throw py::value_error("not the state of a pickled RunResult");
        return MakeOutcome(fields[0].cast<py::iterable>(), fields[1], fields[2].cast<std::int64_t>(),
                           fields[3].cast<bool>(), fields[4]);
      }));
}

}  // namespace vantorb::python
