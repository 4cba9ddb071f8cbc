#include "cli/interrupt_catcher.hpp"

namespace vantorb::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

InterruptCatcher::InterruptCatcher() {
  interrupted = 0;
  sigaction(SIGINT, nullptr, &previous_);
  const bool ignored =
      (previous_.sa_flags & SA_SIGINFO) == 0 && previous_.sa_handler == SIG_IGN;
  if (ignored) return;
  struct sigaction action{};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Writes and reads under way go on: the flag is read between them.
  action.sa_flags = SA_RESTART;
  caught_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptCatcher::~InterruptCatcher() {
  if (caught_) sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptCatcher::Interrupted() const { return interrupted != 0; }

}  // namespace vantorb::cli
