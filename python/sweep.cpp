#include "python/sweep.hpp"

#include <chrono>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "python/conversions.hpp"
#include "python/errors.hpp"
#include "python/gil.hpp"
#include "python/run_control.hpp"
#include "python/run_result.hpp"
#include "simulation/sweep.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

py::object IntOrNone(const std::optional<std::string>& text) {
  return text ? py::object(py::int_(py::str(*text))) : py::none();
}

RunOutcome OutcomeOf(const SweepRow& row) {
  RunOutcome outcome;
  py::list arguments;
  for (const std::string& text : row.arguments) arguments.append(py::int_(py::str(text)));
  outcome.arguments = py::tuple(arguments);
  outcome.result = IntOrNone(row.result);
  outcome.partialResult = IntOrNone(row.partial);
  outcome.iterations = row.iterations;
  outcome.stoppedByLimit = row.status == SweepStatus::Limit;
  return outcome;
}

// The tuples as texts; anything but tuples of ints is refused naming it.
std::vector<std::vector<std::string>> TupleTexts(const py::sequence& tuples) {
  std::vector<std::vector<std::string>> texts;
  texts.reserve(tuples.size());
  for (std::size_t t = 0; t < tuples.size(); ++t) {
    const py::object tuple = tuples[t];
    if (!py::isinstance<py::tuple>(tuple))
      throw ArgumentError("tuple " + std::to_string(t) + " is no tuple of arguments");
    texts.push_back(ArgumentTexts(tuple.cast<py::tuple>()));
  }
  return texts;
}

}  // namespace

py::tuple SweepOnThreads(const Program& program, const py::sequence& tuples,
                         const py::object& limit, const py::object& engine,
                         const py::object& workers, const py::object& timeout,
                         const py::object& cancel, const py::function& onRow) {
  SweepOptions options;
  try {
    options.engine = EngineKindFromName(OptionText(engine));
  } catch (const NeuroException& error) {
    throw ArgumentError(error.Message());
  }
  options.limit = IterationLimit(limit);
  options.jobs = static_cast<unsigned>(
      CountOption(workers, kMaxSweepJobs,
                  "workers takes a number of threads up to " + std::to_string(kMaxSweepJobs)));
  const TupleList list(TupleTexts(tuples));
  RunControl control(timeout, cancel);
  if (!control.MayGoOn()) control.ThrowStop();
  bool failed = false, stopped = false;
  SweepOutcome outcome;
  {
    GilReleased released;
    auto sliceEnd = control.SliceEnd();
    options.row = [&](const SweepRow& row) {
      if (failed) return;
      // A Python error stays set for the thread and ends the sweep.
      failed = !released.WithGil([&]() noexcept {
        try {
          onRow(row.index, OutcomeOf(row));
          return true;
        } catch (py::error_already_set& error) {
          error.restore();
        } catch (const std::exception& error) {
          PyErr_SetString(PyExc_RuntimeError, error.what());
        }
        return false;
      });
    };
    options.stop = [&] {
      if (failed || stopped) return true;
      if (std::chrono::steady_clock::now() < sliceEnd) return false;
      stopped = !released.WithGil([&]() noexcept { return control.MayGoOn(); });
      sliceEnd = control.SliceEnd();
      return stopped;
    };
    outcome = Sweep(program.Source(), list, options);
  }
  if (PyErr_Occurred()) throw py::error_already_set();
  return py::make_tuple(outcome.rows, stopped ? py::object(py::str(control.StoppedBy()))
                                              : py::object(py::none()));
}

}  // namespace vantorb::python
