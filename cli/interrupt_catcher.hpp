#pragma once
// Ctrl-C, and the requests to end that SIGTERM (kill, timeout, a shutdown)
// and SIGHUP (a closed terminal) make, as a request to stop, for the
// commands that must not end half-way through a file or that can say where
// they stopped. While an InterruptCatcher lives, each of these signals only
// raises a flag, which the command reads through Interrupted() (or hands on
// as a StopRequest) and then ends in its own way, the same for all three:
// no file half made, and Status() 128 + the signal (130 for SIGINT, 143
// for SIGTERM, 129 for SIGHUP), as the shell gives a program the signal
// ended.
//
// A signal the process started with ignored (SIGINT in a background job of
// a script, SIGHUP under nohup) is left as it was: it stays ignored and
// does not count. Once the catcher is gone, each signal has exactly the
// action it had before. Only one catcher may live at a time, on the main
// thread.

#include <csignal>
#include <iterator>
#include <string>

#include "compiler/interpreter.hpp"

namespace vantorb::cli {

class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Whether one of the signals came since the catcher was made.
  bool Interrupted() const;
  // Interrupted(), as an evaluation asks it.
  StopRequest AsStopRequest() const {
    return [this] { return Interrupted(); };
  }
  // The exit status of a command the first signal ended: 128 + its number
  // (130 when none came).
  int Status() const;
  // How the command says it ended, before "at iteration N" and the like:
  // "Interrupted" for Ctrl-C, "Interrupted by SIGTERM", "Interrupted by
  // SIGHUP".
  std::string Stopped() const;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[std::size(kSignals)]{};
  bool caught_[std::size(kSignals)] = {};  // false: the signal was ignored and is left so
};

}  // namespace vantorb::cli
