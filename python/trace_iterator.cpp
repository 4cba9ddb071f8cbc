#include "python/trace_iterator.hpp"

#include "python/conversions.hpp"
#include "python/gil.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

// The network for a trace, waited for until Ctrl-C stops the wait.
std::unique_ptr<Program::Use> TakeNetwork(Program& program) {
  RunControl control;
  return std::make_unique<Program::Use>(program, true, control);
}

}  // namespace

TraceIterator::TraceIterator(Program& program, const std::vector<std::string>& arguments,
                             TraceRecorder chosen, std::int64_t limit)
    : use_(TakeNetwork(program)),
      recorder_(std::move(chosen)),
      limit_(limit),
      decimal_(py::module_::import("decimal").attr("Decimal")) {
  for (std::size_t n = 0; n < recorder_.NeuronCount(); ++n)
    names_.push_back(PythonText(recorder_.NeuronName(n)));
  {
    GilReleased released;
    run_.Start(program.Net(), arguments);
  }
  iterations_ = run_.Iteration();
}

std::unique_lock<std::mutex> TraceIterator::StepLock() {
  std::unique_lock lock(stepping_, std::try_to_lock);
  if (!lock.owns_lock()) {
    GilReleased released;
    lock.lock();
  }
  return lock;
}

py::tuple TraceIterator::Row() const {
  py::dict values;
  for (std::size_t n = 0; n < names_.size(); ++n) values[names_[n]] = decimal_(recorder_.ValueText(n));
  return py::make_tuple(run_.Iteration(), values);
}

py::tuple TraceIterator::Next() {
  const auto lock = StepLock();
  if (use_ && !started_) {
    started_ = true;
    return Row();
  }
  while (use_ && status_ == RunStatus::Running) {
    const auto before = run_.Iteration();
    RunStatus status;
    try {
      GilReleased released;
      status = run_.Tick(1, limit_);
    } catch (...) {
      iterations_ = run_.Iteration();
      use_.reset();
      throw;
    }
    status_ = status;
    iterations_ = run_.Iteration();
    result_ = run_.Result();
    if (iterations_ != before) return Row();
  }
  use_.reset();
  throw py::stop_iteration();
}

void TraceIterator::Close() {
  const auto lock = StepLock();
  use_.reset();
}

py::list TraceIterator::Names() const {
  py::list names;
  for (const py::str& name : names_) names.append(name);
  return names;
}

py::object TraceIterator::Result() const {
  if (status_ != RunStatus::Finished || result_.empty()) return py::none();
  return py::int_(py::str(result_));
}

py::object TraceIterator::PartialResult() const {
  if (status_ != RunStatus::LimitReached || result_.empty()) return py::none();
  return py::int_(py::str(result_));
}

}  // namespace vantorb::python
