"""A sweep on threads of this process: each thread makes its own Program
from the source and takes the next task in order until none is left."""

from __future__ import annotations

import threading
from typing import Any

from ._progress import Progress
from ._source import ProgramSource
from ._stop import Stop
from ._vantorb import Cancelled, RunResult


def sweep_on_threads(source: ProgramSource, tasks: list[tuple[int, ...]], options: dict[str, Any],
                     workers: int, stop: Stop, progress: Progress) -> list[RunResult]:
    """Runs every task (the arguments of one run) with the run options on
    at most `workers` threads; the results in the order of the tasks.

    The first run that fails stops the others at their next slice and its
    exception is raised here; a stop by the caller's cancel object or the
    timeout raises Cancelled. Ctrl-C stops the threads as well before
    KeyboardInterrupt goes on.
    """
    results: list[RunResult | None] = [None] * len(tasks)
    errors: list[BaseException] = []
    taking = threading.Lock()
    following = iter(range(len(tasks)))

    def next_task() -> int | None:
        with taking:
            if stop.is_set() or stop.timed_out():
                return None
            return next(following, None)

    def work() -> None:
        try:
            program = source.build()
            while (index := next_task()) is not None:
                remaining = stop.remaining()
                if remaining is not None and remaining <= 0:
                    break  # the timeout has passed: Cancelled below
                results[index] = program.run(*tasks[index], timeout=remaining, cancel=stop,
                                             **options)
                progress.advance()
        except Cancelled:
            # The caller's cancel, the timeout or another thread's failure:
            # the sweep tells which once every thread has ended.
            stop.fail()
        except Exception as error:  # noqa: BLE001  (handed to the caller)
            with taking:
                errors.append(error)
            stop.fail()

    threads = [threading.Thread(target=work, name=f"vantorb sweep {k + 1}", daemon=True)
               for k in range(min(workers, len(tasks)))]
    for thread in threads:
        thread.start()
    try:
        for thread in threads:
            thread.join()
    except BaseException:
        # Ctrl-C while waiting: the runs stop at their next slice.
        stop.fail()
        for thread in threads:
            thread.join()
        raise
    if errors:
        raise errors[0]
    done = [result for result in results if result is not None]
    if len(done) < len(tasks):
        raise stop.reason(len(done), len(tasks)) or Cancelled("The sweep was cancelled")
    return done
