"""When a sweep whose runs go elsewhere (a Dask cluster) is to stop, told
in the words a run's stop has on this side (RunControl's)."""

from __future__ import annotations

import math
import time
from typing import Any

# Longer than anything waits for: a timeout beyond it is none, as for a run.
_LONGEST = 1e9


class Stop:
    """The sweep's timeout, counted from its making, and its cancel object
    (anything with is_set())."""

    def __init__(self, timeout: float | None, cancel: Any) -> None:
        self._timeout = timeout
        seconds = math.inf if timeout is None else _seconds(timeout)
        self._deadline = time.monotonic() + seconds if seconds < _LONGEST else None
        self._cancel = cancel

    def reason(self) -> str | None:
        """What stops the sweep now, if anything: the message of the
        Cancelled a run would raise. Raises what cancel.is_set() raises."""
        if self._deadline is not None and time.monotonic() >= self._deadline:
            return f"The computation took longer than its timeout of {self._timeout} seconds"
        if self._cancel is not None and self._cancel.is_set():
            return "The computation was cancelled"
        return None

    def within(self, seconds: float) -> float:
        """`seconds`, or less when the deadline comes first (not below 0)."""
        if self._deadline is None:
            return seconds
        return max(0.0, min(seconds, self._deadline - time.monotonic()))


def _seconds(timeout: float) -> float:
    try:
        return float(timeout)
    except OverflowError:  # an int beyond any float: no deadline
        return math.inf
