#include "python/run_control.hpp"

#include <algorithm>
#include <cmath>

#include "network/exceptions.hpp"
#include "python/conversions.hpp"
#include "python/errors.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

// Longer than any computation waits for: a timeout beyond it is none, and
// the deadline it gives still fits the clock.
constexpr double kLongestTimeout = 1e9;

}  // namespace

RunControl::RunControl(const py::object& timeout, const py::object& cancel) {
  if (!timeout.is_none()) {
    double seconds = 0;  // anything but a number is refused with it
    if (PyFloat_Check(timeout.ptr())) {
      seconds = PyFloat_AS_DOUBLE(timeout.ptr());
    } else if (PyLong_Check(timeout.ptr()) && !PyBool_Check(timeout.ptr())) {
      int overflow = 0;
      const long long whole = PyLong_AsLongLongAndOverflow(timeout.ptr(), &overflow);
      seconds = overflow != 0 ? overflow * HUGE_VAL : static_cast<double>(whole);
    }
    // NaN is not greater than 0 either.
    if (!(seconds > 0)) throw ArgumentError("timeout takes a number of seconds greater than 0");
    timeoutText_ = OptionText(py::str(timeout));
    if (seconds < kLongestTimeout)
      deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(seconds));
  }
  if (!cancel.is_none()) {
    const py::object isSet = py::reinterpret_steal<py::object>(
        PyObject_GetAttrString(cancel.ptr(), "is_set"));
    if (!isSet) PyErr_Clear();
    if (!isSet || !PyCallable_Check(isSet.ptr()))
      throw ArgumentError("cancel takes an object with is_set(), such as a threading.Event");
    cancel_ = cancel;
  }
}

bool RunControl::MayGoOn() noexcept {
  if (PyErr_CheckSignals() != 0) return false;
  if (deadline_ && Clock::now() >= *deadline_) {
    stoppedBy_ = "The computation took longer than its timeout of " + timeoutText_ + " seconds";
    return false;
  }
  if (cancel_) {
    PyObject* answer = PyObject_CallMethod(cancel_.ptr(), "is_set", nullptr);
    if (answer == nullptr) return false;
    const int set = PyObject_IsTrue(answer);
    Py_DECREF(answer);
    if (set != 0) {
      if (set == 1) stoppedBy_ = "The computation was cancelled";
      return false;
    }
  }
  return true;
}

void RunControl::ThrowStop() const {
  if (PyErr_Occurred()) throw py::error_already_set();
  throw CancelledComputation(stoppedBy_);
}

RunControl::Clock::time_point RunControl::SliceEnd() const {
  const Clock::time_point end = Clock::now() + kSlice;
  return deadline_ ? std::min(end, *deadline_) : end;
}

}  // namespace vantorb::python
