"""A sweep's progress, told to what sweep's progress= names: a tqdm bar or
the line "sweep: K/N runs" on standard error (True), a callable (done,
total), or a tqdm-style object of the caller's."""

from __future__ import annotations

import importlib
import sys
import time
from collections.abc import Callable
from typing import Any

from ._vantorb import ArgumentError

# Seconds between two writes of the line, so that thousands of short runs
# do not spend their time writing it.
_EVERY = 0.2


class Progress:
    """Runs ended so far of a sweep's total; update() is called on the
    sweep's calling thread only."""

    def update(self, done: int) -> None:
        """`done` runs have ended (never fewer than at the last call)."""

    def close(self) -> None:
        """The sweep is over, however far it went."""


class _Line(Progress):
    def __init__(self, total: int) -> None:
        self._total = total
        self._done = 0
        self._written = 0.0
        self._line = ""

    def update(self, done: int) -> None:
        self._done = done
        now = time.monotonic()
        if now - self._written >= _EVERY or done == self._total:
            self._written = now
            self._write()

    def _write(self) -> None:
        line = f"sweep: {self._done}/{self._total} runs"
        if line != self._line:
            self._line = line
            sys.stderr.write("\r" + line)
            sys.stderr.flush()

    def close(self) -> None:
        self._write()
        sys.stderr.write("\n")
        sys.stderr.flush()


class _Bar(Progress):
    """A tqdm-style object: told the runs ended since the last update. One
    the sweep made is closed at the end; the caller's is left open."""

    def __init__(self, bar: Any, total: int, owned: bool) -> None:
        self._bar = bar
        self._owned = owned
        self._done = 0
        if getattr(bar, "total", None) is None:
            bar.total = total

    def update(self, done: int) -> None:
        if done > self._done:
            self._bar.update(done - self._done)
            self._done = done

    def close(self) -> None:
        if self._owned:
            self._bar.close()


class _Call(Progress):
    def __init__(self, call: Any, total: int) -> None:
        self._call = call
        self._total = total

    def update(self, done: int) -> None:
        self._call(done, self._total)


def progress_for(progress: object) -> Callable[[int], Progress]:
    """What makes the Progress of a sweep of so many runs, as `progress`
    asks; raises ArgumentError for one that is none of sweep's kinds, before
    the sweep has read its arguments."""
    if progress is None or progress is False:
        return lambda total: Progress()
    if progress is True:
        return _default
    if callable(getattr(progress, "update", None)):
        return lambda total: _Bar(progress, total, owned=False)
    if callable(progress):
        return lambda total: _Call(progress, total)
    raise ArgumentError(f"sweep's progress takes True, a callable (done, total) or a "
                        f"tqdm-style object with update(), not {type(progress).__name__}")


def _default(total: int) -> Progress:
    try:
        tqdm = importlib.import_module("tqdm")
    except ImportError:
        return _Line(total)
    return _Bar(tqdm.tqdm(total=total, desc="sweep", unit="run"), total, owned=True)
