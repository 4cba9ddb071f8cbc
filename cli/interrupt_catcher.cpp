#include "cli/interrupt_catcher.hpp"

namespace vantorb::cli {
namespace {

// The first signal that came, 0 before one.
volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int signal) {
  if (interrupted == 0) interrupted = signal;
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  interrupted = 0;
  for (std::size_t k = 0; k < std::size(kSignals); ++k) {
    sigaction(kSignals[k], nullptr, &previous_[k]);
    const bool ignored =
        (previous_[k].sa_flags & SA_SIGINFO) == 0 && previous_[k].sa_handler == SIG_IGN;
    if (ignored) continue;
    struct sigaction action{};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Another of the signals waits until the flag is set.
    for (const int other : kSignals) sigaddset(&action.sa_mask, other);
    // Writes and reads under way go on: the flag is read between them.
    action.sa_flags = SA_RESTART;
    caught_[k] = sigaction(kSignals[k], &action, &previous_[k]) == 0;
  }
}

InterruptCatcher::~InterruptCatcher() {
  for (std::size_t k = 0; k < std::size(kSignals); ++k)
    if (caught_[k]) sigaction(kSignals[k], &previous_[k], nullptr);
}

bool InterruptCatcher::Interrupted() const { return interrupted != 0; }

int InterruptCatcher::Status() const { return 128 + (interrupted != 0 ? interrupted : SIGINT); }

std::string InterruptCatcher::Stopped() const {
  switch (interrupted) {
    case SIGTERM:
      return "Interrupted by SIGTERM";
    case SIGHUP:
      return "Interrupted by SIGHUP";
    default:
      return "Interrupted";
  }
}

}  // namespace vantorb::cli
