"""vantorb.sweep: one program run over many arguments, on threads or on a
Dask cluster, results in the order of the arguments."""

from __future__ import annotations

import operator
import os
from collections.abc import Iterable
from typing import Any

from ._progress import Progress
from ._source import ProgramSource
from ._stop import Stop
from ._threads import sweep_on_threads
from ._vantorb import ArgumentError, Program, RunResult, compile_file


def sweep(program: Program | str | os.PathLike[str], arguments: Iterable[tuple[int, ...]], *,
          limit: int = 0, engine: str | None = None, workers: int | None = None,
          client: Any = None, progress: bool = False, timeout: float | None = None,
          cancel: Any = None) -> list[RunResult]:
    """Runs the program once for each tuple of arguments and gives the
    RunResults in the order of `arguments`.

    program: a Program, or the path of a program or equation file (compiled
        with compile_file).
    arguments: an iterable of tuples of natural numbers, each as many as the
        target takes: [(x, y) for x in range(16) for y in range(16)].
    limit, engine: as Program.run takes them, for every run (engine None:
        run's default).
    workers: without a client, the number of threads (default: the number
        of processors); each thread runs its own copy of the program.
    client: a dask.distributed.Client: the runs become tasks on its cluster,
        the program travelling as its text, compiled once per worker
        thread. vantorb must be importable on the workers.
    progress: writes "sweep: K/N runs" on standard error as runs end.
    timeout: seconds for the whole sweep; cancel: an object with is_set()
        (threading.Event). Either stops the sweep with Cancelled: on threads
        at the runs' next slice, on Dask while waiting for the tasks (each
        run also gets what was left of the timeout when it was sent).

    A run that fails stops the sweep and its exception is raised (a limit
    reached is no failure: see RunResult.stopped_by_limit). Bad arguments or
    options raise ArgumentError before any run.
    """
    program = _program(program)
    tasks = _tasks(arguments, program)
    stop = Stop(_timeout(timeout), _cancel(cancel))
    options: dict[str, Any] = {"limit": limit}
    if engine is not None:
        options["engine"] = engine
    if client is not None:
        if workers is not None:
            raise ArgumentError("sweep takes workers or a client, not both: a Dask cluster "
                                "has its own workers")
        if not callable(getattr(client, "submit", None)):
            raise ArgumentError(f"sweep's client is a dask.distributed Client, not "
                                f"{type(client).__name__}")
    workers = _workers(workers)
    if not tasks:
        return []
    source = ProgramSource.of(program)
    counter = Progress(len(tasks), bool(progress))
    try:
        if client is None:
            return sweep_on_threads(source, tasks, options, workers, stop, counter)
        from ._dask_sweep import sweep_on_dask
        return sweep_on_dask(client, source, tasks, options, stop, counter)
    finally:
        counter.finish()


def _program(program: object) -> Program:
    if isinstance(program, Program):
        return program
    if isinstance(program, (str, os.PathLike)):
        return compile_file(program)
    raise ArgumentError(f"sweep takes a Program or the path of a program file, not "
                        f"{type(program).__name__}")


def _tasks(arguments: object, program: Program) -> list[tuple[int, ...]]:
    """The argument tuples as lists of ints, checked against the target."""
    if isinstance(arguments, (str, bytes)) or not isinstance(arguments, Iterable):
        raise ArgumentError(f"sweep takes an iterable of argument tuples such as [(1, 2), "
                            f"(3, 4)], not {type(arguments).__name__}")
    arity = program.info["arity"]
    target = program.info["target"]
    tasks = []
    for index, item in enumerate(arguments):
        if not isinstance(item, tuple):
            raise ArgumentError(f"sweep's arguments[{index}] is {item!r}, not a tuple: give "
                                f"each run's arguments as a tuple, such as (3,) for one")
        numbers = _natural_numbers(item)
        if numbers is None:
            raise ArgumentError(f"sweep's arguments[{index}] is {item!r}: arguments are "
                                f"natural numbers")
        if len(numbers) != arity:
            raise ArgumentError(f"sweep's arguments[{index}] is {item!r}, but {target} takes "
                                f"{arity} argument{'' if arity == 1 else 's'}")
        tasks.append(numbers)
    return tasks


def _natural_numbers(values: tuple[object, ...]) -> tuple[int, ...] | None:
    """The values as ints if each is an integer (int, NumPy's) from 0 up
    and not a bool; None otherwise."""
    numbers = []
    for value in values:
        if isinstance(value, bool) or not hasattr(value, "__index__"):
            return None
        number = operator.index(value)
        if number < 0:
            return None
        numbers.append(number)
    return tuple(numbers)


def _workers(workers: object) -> int:
    if workers is None:
        return os.cpu_count() or 1
    if isinstance(workers, bool) or not isinstance(workers, int) or workers < 1:
        raise ArgumentError(f"sweep's workers is a number of threads from 1 up, not {workers!r}")
    return workers


def _timeout(timeout: object) -> float | None:
    if timeout is None:
        return None
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)) or not timeout > 0:
        raise ArgumentError(f"sweep's timeout is a number of seconds above 0, not {timeout!r}")
    return float(timeout)


def _cancel(cancel: object) -> object:
    if cancel is not None and not callable(getattr(cancel, "is_set", None)):
        raise ArgumentError(f"sweep's cancel is an object with is_set(), such as a "
                            f"threading.Event, not {type(cancel).__name__}")
    return cancel
