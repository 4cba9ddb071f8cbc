"""A sweep on a Dask cluster: the tuples go in batches, each a task that
runs the library's sweep of its batch on a worker, the program travelling
inside the task as its source. A distributed.Event named for the sweep is
every batch's cancel object, so that a stop here reaches the runs going on
there. Imported only when a sweep is given a Dask client."""

from __future__ import annotations

import importlib
import math
import time
import uuid
from typing import Any

from ._api import Engine
from ._results import Collector
from ._source import ProgramSource, program_for
from ._stop import Stop
from ._vantorb import Cancelled, Error, RunResult, _sweep_on_threads

# Seconds between two looks at the stop while waiting for batches.
_POLL = 0.05
# Once stopped, how long the sweep waits for the batches going on to hand
# back what they did: they stop within a slice, unless their worker is gone.
_GRACE = 5.0
# Batches per worker thread: enough that threads finishing early find work,
# few enough that each task's cost (a few milliseconds) is spread over many
# runs; with 8, 2000 runs of a tenth of a millisecond took nearly twice as
# long as on as many threads (bench/python_sweep_bench.py).
_BATCHES_PER_THREAD = 4
_LARGEST_BATCH = 1000


def _distributed() -> Any:
    """dask.distributed, untyped as some of its versions are."""
    return importlib.import_module("distributed")


def run_batch(source: ProgramSource, tuples: list[tuple[int, ...]], limit: int, engine: Engine,
              flag: str) -> tuple[list[RunResult], BaseException | None]:
    """On a worker: the library's sweep of one batch on one thread, stopped
    once the Event `flag` is set. Gives the rows in order up to the first
    run never started, and the error of a run that failed (None)."""
    rows: list[RunResult] = []
    try:
        _sweep_on_threads(program_for(source), tuples, limit, engine, 1, None,
                          _distributed().Event(flag), lambda index, result: rows.append(result))
    except Cancelled:
        pass  # stopped before the batch began: no run
    except Error as error:
        return rows, error
    return rows, None


def default_batch_size(client: Any, tuples: int) -> int:
    """About _BATCHES_PER_THREAD batches for each thread of the cluster's
    workers as they are now (one thread when there are none yet)."""
    workers = client.scheduler_info().get("workers", {})
    threads = max(1, sum(worker.get("nthreads", 1) for worker in workers.values()))
    return max(1, min(_LARGEST_BATCH, math.ceil(tuples / (int(threads) * _BATCHES_PER_THREAD))))


class DaskSweep:
    """One sweep's batches on the client's cluster, their rows handed to the
    collector in argument order."""

    def __init__(self, client: Any, program: Any, tuples: list[tuple[int, ...]], limit: int,
                 engine: Engine, batch_size: int, collector: Collector) -> None:
        self._client = client
        self._collector = collector
        self._size = batch_size
        self._total = len(tuples)
        self._flag_name = f"vantorb-sweep-{uuid.uuid4().hex}"
        self._rows: dict[int, list[RunResult]] = {}  # by the batch's first index
        self._told = 0  # the first index not yet handed to the collector
        self._ended = 0
        source = ProgramSource.of(program)
        self._futures = {
            client.submit(run_batch, source, tuples[start:start + batch_size], limit, engine,
                          self._flag_name, key=f"{self._flag_name}-{start}"): start
            for start in range(0, len(tuples), batch_size)}
        self._pending = set(self._futures)

    def run(self, stop: Stop) -> BaseException | str | None:
        """Waits for the batches; gives None once all have ended, else what
        ended the sweep: the reason of a stop (stop.reason()) or the error
        to raise, after stopping the batches going on and keeping their
        rows."""
        wait = _distributed().wait
        outcome: BaseException | str | None = None
        try:
            while self._pending and outcome is None:
                outcome = stop.reason()
                if outcome is not None or self._collector.error is not None:
                    break
                try:
                    finished, self._pending = wait(self._pending, timeout=stop.within(_POLL),
                                                   return_when="FIRST_COMPLETED")
                except TimeoutError:
                    continue  # none ended yet
                outcome = self._take(finished)
                self._tell()
        except BaseException as error:  # noqa: BLE001  (Ctrl-C, is_set: raised by the caller)
            outcome = error
        if self._pending:
            self._stop()
        self._tell()
        # Rows past a batch cut short are kept, but not told: the runs between
        # were never started.
        for start, rows in self._rows.items():
            for offset, row in enumerate(rows):
                if start + offset >= self._told:
                    self._collector.results[start + offset] = row
        return outcome

    def _take(self, finished: set[Any]) -> BaseException | None:
        """The rows of the batches finished; the first failure among them."""
        killed = _distributed().KilledWorker
        failure: BaseException | None = None
        done = [future for future in finished if future.status == "finished"]
        for future, (rows, error) in zip(done, self._client.gather(done)):
            self._rows[self._futures[future]] = rows
            self._ended += len(rows)
            failure = failure or error
        self._collector.ended(self._ended, self._total)
        for future in finished:
            if future.status == "error":
                error = future.exception()
                if isinstance(error, killed):
                    lost = Error(f"The sweep cannot go on: the workers running its batch of "
                                 f"tuples from {self._futures[future]} on died "
                                 f"{error.allowed_failures + 1} times")
                    lost.__cause__ = error
                    error = lost
                failure = failure or error
            elif future.status == "cancelled":
                failure = failure or Error("The sweep cannot go on: the cluster dropped its "
                                           "batch of tuples from "
                                           f"{self._futures[future]} on")
        return failure

    def _tell(self) -> None:
        """Hands the collector the rows that follow those told, in order, up
        to the first run not ended."""
        while self._told in self._rows:
            start = self._told
            rows = self._rows[start]
            for offset, row in enumerate(rows):
                self._collector.row(start + offset, row)
            self._told += len(rows)
            if len(rows) < min(self._size, self._total - start):
                break  # cut short: the rest of the batch never started

    def _stop(self) -> None:
        """Stops the batches going on at their runs' next slice and waits for
        their rows a while; those queued never start.

        The flag stays set for good: a batch cancelled here may have been
        on its way to a worker all the same, and must stop at its start
        however late it comes. The scheduler keeps a few bytes for it."""
        distributed = _distributed()
        distributed.Event(self._flag_name, client=self._client).set()
        running = {key for keys in self._client.processing().values() for key in keys}
        queued = [future for future in self._pending if future.key not in running]
        self._client.cancel(queued)
        self._pending -= set(queued)
        end = time.monotonic() + _GRACE
        while self._pending and time.monotonic() < end:
            try:
                finished, self._pending = distributed.wait(
                    self._pending, timeout=max(0.0, end - time.monotonic()),
                    return_when="FIRST_COMPLETED")
            except TimeoutError:
                break
            self._take(finished)
        # Left to the flag, should their workers come back.
        self._client.cancel(list(self._pending))
