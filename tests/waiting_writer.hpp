#pragma once
// A writer waiting on a named pipe, for tests of readers that must refuse
// pipes. A reader that opens the pipe and waits for a writer finds this one
// and reads an empty file, so such a reader fails the test's checks instead
// of hanging it; a reader that refuses the pipe leaves the writer waiting
// until the end of the scope, which lets it go.

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace vantorb::testing {

class WaitingWriter {
 public:
  explicit WaitingWriter(std::string pipe)
      : pipe_(std::move(pipe)), thread_([this] {
          const int fd = open(pipe_.c_str(), O_WRONLY | O_CLOEXEC);
          if (fd >= 0) close(fd);
        }) {}
  ~WaitingWriter() {
    // Held open until the writer is gone: opened before it or after, the
    // writer then finds a reader.
    const int reader = open(pipe_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    thread_.join();
    if (reader >= 0) close(reader);
  }
  WaitingWriter(const WaitingWriter&) = delete;
  WaitingWriter& operator=(const WaitingWriter&) = delete;

 private:
  std::string pipe_;
  std::thread thread_;
};

}  // namespace vantorb::testing
