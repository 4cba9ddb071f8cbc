"""A sweep on a Dask cluster: a task per run, the program travelling as its
source (sent to the cluster once) and compiled once per worker thread.
Imported only when a sweep is given a Dask client."""

from __future__ import annotations

from typing import Any

from ._progress import Progress
from ._source import ProgramSource, program_for
from ._stop import Stop
from ._vantorb import RunResult

# Seconds between two looks at the cancel object and the timeout while
# waiting for the cluster.
_POLL = 0.1


def run_task(source: ProgramSource, arguments: tuple[int, ...],
             options: dict[str, Any]) -> RunResult:
    """One run on a Dask worker, with this worker thread's Program for the
    source."""
    return program_for(source).run(*arguments, **options)


def sweep_on_dask(client: Any, source: ProgramSource, tasks: list[tuple[int, ...]],
                  options: dict[str, Any], stop: Stop, progress: Progress) -> list[RunResult]:
    """Runs every task on the client's cluster; the results in the order of
    the tasks.

    The caller's cancel object and the timeout are looked at while the
    tasks are running: either cancels the tasks not yet done and raises
    Cancelled (each run also gets what was left of the timeout when it was
    sent, so that a run already going stops as well). A failed run cancels
    the others and its exception is raised here.
    """
    from distributed import wait

    remaining = stop.remaining()
    if remaining is not None:
        options = {**options, "timeout": remaining}
    shared = client.scatter(source, broadcast=True)
    futures = [client.submit(run_task, shared, arguments, options, pure=False)
               for arguments in tasks]
    pending = set(futures)
    try:
        while pending:
            reason = stop.reason(progress.done, progress.total)
            if reason is not None:
                raise reason
            try:
                done, pending = wait(  # type: ignore[no-untyped-call]
                    pending, timeout=_POLL, return_when="FIRST_COMPLETED")
            except TimeoutError:
                continue  # none done yet
            failed = [future for future in done if future.status == "error"]
            if failed:
                # A run stopped by what was left of the timeout it was sent
                # with ends the sweep by the sweep's own timeout.
                reason = stop.reason(progress.done, progress.total)
                if reason is not None:
                    raise reason
                failed[0].result()  # raises the run's exception
            progress.advance(len(done))
        results: list[RunResult] = client.gather(futures)
        return results
    finally:
        if pending:
            client.cancel(list(pending))
