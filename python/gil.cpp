#include "python/gil.hpp"

#include <chrono>
#include <thread>

namespace vantorb::python {
namespace {

bool Finalizing() {
#if PY_VERSION_HEX >= 0x030D0000
  return Py_IsFinalizing() != 0;
#else
  return _Py_IsFinalizing() != 0;
#endif
}

[[noreturn]] void Park() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

}  // namespace

void GilReleased::TakeBack() {
  if (Finalizing()) Park();
  // The interpreter may begin to exit while this thread waits for the GIL:
  // it then ends the thread with pthread_exit, whose unwinding (the only
  // exception that can come out of here) stops in this handler for good.
  try {
    PyEval_RestoreThread(state_);
  } catch (...) {
    Park();
  }
}

}  // namespace vantorb::python
