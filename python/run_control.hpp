#pragma once
// RunControl: what may stop a computation before its end, as Program.run
// and Program.eval take it: Ctrl-C (Python's signal handlers), a timeout in
// seconds counted from the call, the wait for a busy Program included, and
// a cancel object whose is_set() answers true once the caller wants it
// stopped (threading.Event, or anything with that method, which may be set
// from any thread). The computation goes in slices without the GIL and asks
// between them, with the GIL.
//
// An object belongs to the thread that made it; it holds a reference to the
// cancel object, so it is made and destroyed with the GIL.

#include <chrono>
#include <optional>
#include <string>

#include <pybind11/pybind11.h>

namespace vantorb::python {

// How long a computation goes without the GIL before it asks whether to go
// on: short enough for Ctrl-C to feel immediate.
constexpr auto kSlice = std::chrono::milliseconds(50);

class RunControl {
 public:
  using Clock = std::chrono::steady_clock;

  // Nothing but Ctrl-C stops it.
  RunControl() = default;
  // timeout: None or a number of seconds greater than 0 (an int or a
  // float, not a bool); cancel: None or an object with a callable is_set.
  // Throws ArgumentError for anything else.
  RunControl(const pybind11::object& timeout, const pybind11::object& cancel);

  // With the GIL: runs the signal handlers, then looks at the timeout and
  // the cancel object. False when the computation is to stop; then either a
  // Python error is set for the thread (a handler raised, or is_set did) or
  // the timeout or the cancel object stopped it. Never throws.
  bool MayGoOn() noexcept;
  // With the GIL, after MayGoOn said false: throws the Python error that is
  // set, else CancelledComputation saying what stopped it.
  [[noreturn]] void ThrowStop() const;
  // After MayGoOn said false with no Python error set: what stopped it.
  const std::string& StoppedBy() const { return stoppedBy_; }

  // When the current slice should end, at most kSlice from now: earlier
  // when the deadline comes first.
  Clock::time_point SliceEnd() const;

 private:
  std::optional<Clock::time_point> deadline_;
  std::string timeoutText_;
  pybind11::object cancel_;
  std::string stoppedBy_;
};

}  // namespace vantorb::python
