#pragma once
// GilReleased: the GIL let go for a scope, for C++ work that touches no
// Python object, and taken back at its end, also when the work throws.
//
// When the interpreter is exiting, it ends a thread that asks for the GIL
// back (a daemon thread still in a computation) by unwinding its stack,
// which would run destructors without the GIL and, through a noexcept
// frame, abort the process. A thread that would be ended so is parked
// instead: it sleeps, holding nothing, until the process is gone.
//
// An object belongs to the thread that made it.

#include <pybind11/pybind11.h>

namespace vantorb::python {

class GilReleased {
 public:
  GilReleased() : state_(PyEval_SaveThread()) {}
  ~GilReleased() { TakeBack(); }
  GilReleased(const GilReleased&) = delete;
  GilReleased& operator=(const GilReleased&) = delete;

  // Runs ask() with the GIL taken for the moment and gives its answer; ask
  // must not throw (a Python error it meets stays set for the thread).
  template <typename Ask>
  bool WithGil(Ask&& ask) {
    static_assert(noexcept(ask()), "the GIL is let go again after it");
    TakeBack();
    const bool answer = ask();
    state_ = PyEval_SaveThread();
    return answer;
  }

 private:
  void TakeBack();

  PyThreadState* state_;
};

}  // namespace vantorb::python
