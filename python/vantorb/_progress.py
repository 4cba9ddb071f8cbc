"""The progress line of a sweep on standard error."""

from __future__ import annotations

import sys
import threading
import time

# Seconds between two updates of the line, so that thousands of short runs
# do not spend their time writing it.
_EVERY = 0.2


class Progress:
    """Counts the runs done and, when shown, writes "sweep: K/N runs" on
    standard error, rewriting one line. Thread-safe."""

    def __init__(self, total: int, shown: bool) -> None:
        """A count of 0 of `total`; nothing is written unless `shown`."""
        self.total = total
        self.done = 0
        self._shown = shown
        self._lock = threading.Lock()
        self._written = 0.0
        self._line = ""

    def advance(self, runs: int = 1) -> None:
        """Counts `runs` more runs done."""
        with self._lock:
            self.done += runs
            now = time.monotonic()
            if self._shown and (now - self._written >= _EVERY or self.done == self.total):
                self._written = now
                self._write()

    def _write(self) -> None:
        line = f"sweep: {self.done}/{self.total} runs"
        if line != self._line:
            self._line = line
            sys.stderr.write("\r" + line)
            sys.stderr.flush()

    def finish(self) -> None:
        """Ends the line, however far the sweep went."""
        if self._shown:
            with self._lock:
                self._write()
                sys.stderr.write("\n")
                sys.stderr.flush()
