"""When a sweep stops before its last run, and why: the caller's cancel
object, the sweep's timeout, or a failed run."""

from __future__ import annotations

import threading
import time
from typing import Any

from ._vantorb import Cancelled


class Stop:
    """Passed to every run of a sweep as its cancel object: is_set() is
    true once a run has failed (fail()) or the caller's cancel object is
    set. The timeout is the whole sweep's: each run gets what is left of it
    (remaining()). Thread-safe."""

    def __init__(self, timeout: float | None, cancel: Any) -> None:
        """Starts the clock of the timeout (seconds, None: no timeout)."""
        self._timeout = timeout
        self._deadline = None if timeout is None else time.monotonic() + timeout
        self._cancel = cancel
        self._failed = threading.Event()

    def fail(self) -> None:
        """Stops the runs at their next slice and the sweep's next task."""
        self._failed.set()

    def is_set(self) -> bool:
        """Whether the runs should stop (what a run polls at each slice)."""
        return self._failed.is_set() or self.cancelled()

    def cancelled(self) -> bool:
        """Whether the caller's cancel object is set."""
        return self._cancel is not None and bool(self._cancel.is_set())

    def remaining(self) -> float | None:
        """Seconds left of the timeout (at most 0 once past it), None
        without a timeout."""
        return None if self._deadline is None else self._deadline - time.monotonic()

    def timed_out(self) -> bool:
        """Whether the timeout has passed."""
        remaining = self.remaining()
        return remaining is not None and remaining <= 0

    def reason(self, done: int, total: int) -> Cancelled | None:
        """The Cancelled to raise for a sweep that ended after `done` of
        `total` runs, if the caller's cancel or the timeout ended it."""
        if self.cancelled():
            return Cancelled(f"The sweep was cancelled after {done} of {total} runs")
        if self.timed_out():
            return Cancelled(f"The sweep took longer than its timeout of {self._timeout:g} "
                             f"seconds ({done} of {total} runs done)")
        return None
