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

SweepOptions OptionsOf(const py::object& limit, const py::object& engine,
                       const py::object& workers) {
  SweepOptions options;
  try {
    options.engine = EngineKindFromName(OptionText(engine));
  } catch (const NeuroException& error) {
    throw ArgumentError(error.Message());
  }
  options.limit = IterationLimit(limit);
  // As the tool's --jobs: no sweep runs on no thread.
  const std::string refusal =
      "workers takes a number of threads from 1 to " + std::to_string(kMaxSweepJobs);
  options.jobs = static_cast<unsigned>(CountOption(workers, kMaxSweepJobs, refusal));
  if (options.jobs == 0) throw ArgumentError(refusal);
  return options;
}

// A Python error met without the GIL's holder being able to raise it at
// once: the first is kept, out of the thread's error indicator, so that
// the rows still to come reach on_row, and is raised at the end.
class KeptError {
 public:
  // With the GIL, an error set: takes it.
  void Take() noexcept {
    PyObject *type, *value, *trace;
    PyErr_Fetch(&type, &value, &trace);
    if (type_) {
      Py_XDECREF(type);
      Py_XDECREF(value);
      Py_XDECREF(trace);
      return;
    }
    type_ = py::reinterpret_steal<py::object>(type);
    value_ = py::reinterpret_steal<py::object>(value);
    trace_ = py::reinterpret_steal<py::object>(trace);
  }
  explicit operator bool() const { return static_cast<bool>(type_); }
  // With the GIL: raises it.
  [[noreturn]] void Throw() {
    PyErr_Restore(type_.release().ptr(), value_.release().ptr(), trace_.release().ptr());
    throw py::error_already_set();
  }

 private:
  py::object type_, value_, trace_;
};

}  // namespace

py::tuple SweepOnThreads(const Program& program, const py::sequence& tuples,
                         const py::object& limit, const py::object& engine,
                         const py::object& workers, const py::object& timeout,
                         const py::object& cancel, const py::function& onRow,
                         const py::object& onProgress) {
  SweepOptions options = OptionsOf(limit, engine, workers);
  const TupleList list(TupleTexts(tuples));
  RunControl control(timeout, cancel);
  if (!control.MayGoOn()) control.ThrowStop();
  bool stopped = false, callbackFailed = false;
  KeptError error;
  SweepOutcome outcome;
  {
    GilReleased released;
    auto sliceEnd = control.SliceEnd();
    // A callback that raises ends the sweep; the rows after it go nowhere.
    const auto call = [&](auto&& callback) {
      if (callbackFailed) return;
      callbackFailed = !released.WithGil([&]() noexcept {
        try {
          callback();
          return true;
        } catch (py::error_already_set& raised) {
          raised.restore();
        } catch (const std::exception& failure) {
          PyErr_SetString(PyExc_RuntimeError, failure.what());
        }
        error.Take();
        return false;
      });
    };
    options.row = [&](const SweepRow& row) { call([&] { onRow(row.index, OutcomeOf(row)); }); };
    if (!onProgress.is_none())
      options.progress = [&](std::uint64_t done, std::uint64_t total) {
        call([&] { onProgress(done, total); });
      };
    options.stop = [&] {
      if (callbackFailed || stopped) return true;
      if (std::chrono::steady_clock::now() < sliceEnd) return false;
      stopped = !released.WithGil([&]() noexcept {
        if (control.MayGoOn()) return true;
        if (PyErr_Occurred()) error.Take();
        return false;
      });
      sliceEnd = control.SliceEnd();
      return stopped;
    };
    outcome = Sweep(program.Source(), list, options);
  }
  if (error) error.Throw();
  return py::make_tuple(outcome.rows, stopped ? py::object(py::str(control.StoppedBy()))
                                              : py::object(py::none()));
}

void CheckSweep(const Program& program, const py::sequence& tuples, const py::object& limit,
                const py::object& engine, const py::object& workers,
                const py::object& timeout, const py::object& cancel) {
  const SweepOptions options = OptionsOf(limit, engine, workers);
  const TupleList list(TupleTexts(tuples));
  [[maybe_unused]] const RunControl control(timeout, cancel);
  vantorb::CheckSweep(program.Net(), list, options);
}

}  // namespace vantorb::python
