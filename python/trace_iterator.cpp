#include "python/trace_iterator.hpp"

namespace py = pybind11;

namespace vantorb::python {

TraceIterator::TraceIterator(Program& program, const std::vector<std::string>& arguments,
                             const std::string& token, int limit)
    : use_(std::make_unique<Program::Use>(program, true)),
      recorder_(program.Net().Target(), token, nullptr, nullptr),
      limit_(limit),
      decimal_(py::module_::import("decimal").attr("Decimal")) {
  for (std::size_t n = 0; n < recorder_.NeuronCount(); ++n)
    names_.emplace_back(recorder_.NeuronName(n));
  py::gil_scoped_release release;
  run_.Start(program.Net(), arguments);
}

py::tuple TraceIterator::Row() const {
  py::dict values;
  for (std::size_t n = 0; n < names_.size(); ++n) values[names_[n]] = decimal_(recorder_.ValueText(n));
  return py::make_tuple(run_.Iteration(), values);
}

py::tuple TraceIterator::Next() {
  if (!started_ && use_) {
    started_ = true;
    return Row();
  }
  while (use_ && status_ == RunStatus::Running) {
    const auto before = run_.Iteration();
    {
      py::gil_scoped_release release;
      status_ = run_.Tick(1, limit_);
    }
    if (run_.Iteration() != before) return Row();
  }
  Close();
  throw py::stop_iteration();
}

void TraceIterator::Close() { use_.reset(); }

py::object TraceIterator::Result() const {
  if (run_.Result().empty()) return py::none();
  return py::int_(py::str(run_.Result()));
}

}  // namespace vantorb::python
