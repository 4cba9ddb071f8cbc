#pragma once
// Ctrl-C as a request to stop, for the commands that must not end half-way
// through a file or that can say where they stopped. While an
// InterruptCatcher lives, SIGINT only raises a flag, which the command
// reads through Interrupted() (or hands on as a StopRequest) and then ends
// in its own way: status 130, no file half made.
//
// A process started with SIGINT ignored (a background job of a script) is
// left as it was: Ctrl-C stays ignored and Interrupted() stays false. Once
// the catcher is gone, SIGINT has exactly the action it had before. Only
// one catcher may live at a time, on the main thread.

#include <csignal>

#include "compiler/interpreter.hpp"

namespace vantorb::cli {

class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Whether SIGINT came since the catcher was made.
  bool Interrupted() const;
  // Interrupted(), as an evaluation asks it.
  StopRequest AsStopRequest() const {
    return [this] { return Interrupted(); };
  }

 private:
  struct sigaction previous_{};
  bool caught_ = false;  // false: SIGINT was ignored and is left so
};

}  // namespace vantorb::cli
