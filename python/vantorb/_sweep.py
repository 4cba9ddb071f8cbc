"""vantorb.sweep: one program run over many arguments, on threads (the
library's sweep) or on a Dask cluster, results in the order of the
arguments, kept when the sweep stops early."""

from __future__ import annotations

import numbers
import operator
import os
from collections.abc import Callable, Iterable
from typing import Any, cast

from ._api import Engine, compile_file
from ._progress import progress_for
from ._results import Collector, SweepResults
from ._stop import Stop
from ._vantorb import (
    _MOST_SWEEP_TUPLES,
    _MOST_SWEEP_WORKERS,
    ArgumentError,
    Cancelled,
    Program,
    RunResult,
    _check_sweep,
    _sweep_on_threads,
)


def sweep(program: Program | str | os.PathLike[str], arguments: Iterable[Any], *,
          limit: int = 0, engine: Engine | None = None, workers: int | None = None,
          client: Any = None, batch_size: int | None = None, progress: Any = False,
          on_result: Callable[[RunResult], object] | None = None,
          timeout: float | None = None, cancel: Any = None) -> SweepResults[RunResult]:
    """Runs the program once for each tuple of arguments and gives the
    RunResults in the order of `arguments` (a SweepResults: a list with
    to_frame()).

    program: a Program, or the path of a program or equation file.
    arguments: tuples of natural numbers (int or NumPy integers), each as
        many as the target takes; for a target of one argument also plain
        numbers (a range); or a NumPy array of integers, a row per run (1-D
        for one argument). At most 100000000.
    limit, engine: as Program.run takes them, for every run.
    workers: without a client, the number of threads, 1 to 1024 (default:
        the number of processors).
    client: a dask.distributed.Client: the runs go to its cluster in
        batches of batch_size tuples (default: about 4 batches per worker
        thread, at most 1000 tuples each).
    progress: True (a tqdm bar, or "sweep: K/N runs" on standard error
        without tqdm), a callable (done, total) or a tqdm-style object.
    on_result: called with each RunResult in argument order as they come.
    timeout: seconds for the runs, from their start; cancel: an object with
        is_set() (threading.Event). Either stops the runs going on at once
        and raises Cancelled.

    Every argument is checked before any run (ArgumentError naming the
    tuple). A run's error, Cancelled, KeyboardInterrupt and what on_result,
    progress or cancel raise end the sweep once the runs going on have
    stopped; the exception's `results` holds what was done, in argument
    order: a RunResult for each run that ended (status "done" or "limit"),
    one with status "stopped" for a run cut short, None for a run never
    started.
    """
    program = _program(program)
    if client is not None:
        if workers is not None:
            raise ArgumentError("sweep takes workers or a client, not both: a Dask cluster "
                                "has its own workers")
        if not callable(getattr(client, "submit", None)):
            raise ArgumentError(f"sweep's client is a dask.distributed Client, not "
                                f"{type(client).__name__}")
        _check_batch_size(batch_size)
    elif batch_size is not None:
        raise ArgumentError("sweep's batch_size is for a sweep on a Dask client")
    if workers is None:
        workers = min(os.cpu_count() or 1, _MOST_SWEEP_WORKERS)
    if on_result is not None and not callable(on_result):
        raise ArgumentError(f"sweep's on_result is a callable taking a RunResult, not "
                            f"{type(on_result).__name__}")
    engine = "macro" if engine is None else engine
    make_progress = progress_for(progress)
    # The options, as the runs would refuse them, before the arguments are
    # read: they may be many.
    _check_sweep(program, (), limit, engine, workers, timeout, cancel)
    arity = program.info["arity"]
    tuples = _tuples(arguments, arity, program.info["target"])

    collector = Collector(len(tuples), arity, on_result, make_progress(len(tuples)), cancel)
    try:
        if client is None:
            _, stopped = _sweep_on_threads(program, tuples, limit, engine, workers, timeout,
                                           collector, collector.row, collector.ended)
        else:
            _check_sweep(program, tuples, limit, engine, 1, timeout, cancel)
            stopped = _on_dask(client, program, tuples, limit, engine, batch_size, timeout,
                               collector)
        if collector.error is not None:
            raise collector.error
        if stopped is not None:
            done = sum(result is not None and result.status != "stopped"
                       for result in collector.results)
            raise Cancelled(f"{stopped} ({done} of {len(tuples)} runs done)")
    except BaseException as error:
        error.results = collector.results  # type: ignore[attr-defined]
        raise
    finally:
        collector.close()
    # Every run has ended: no None is left.
    return cast("SweepResults[RunResult]", collector.results)


def _on_dask(client: Any, program: Program, tuples: list[tuple[int, ...]], limit: int,
             engine: Engine, batch_size: int | None, timeout: float | None,
             collector: Collector) -> str | None:
    """Runs the tuples on the client's cluster; gives what stopped the sweep
    (a Cancelled's reason) or None. Raises a run's error."""
    from ._dask_sweep import DaskSweep, default_batch_size

    if not tuples:
        return None
    size = batch_size or default_batch_size(client, len(tuples))
    stop = Stop(timeout, collector)
    outcome = DaskSweep(client, program, tuples, limit, engine, size, collector).run(stop)
    if isinstance(outcome, BaseException):
        raise outcome
    return outcome


def _program(program: object) -> Program:
    if isinstance(program, Program):
        return program
    if isinstance(program, (str, os.PathLike)):
        return compile_file(program)
    raise ArgumentError(f"sweep takes a Program or the path of a program file, not "
                        f"{type(program).__name__}")


def _check_batch_size(batch_size: object) -> None:
    if batch_size is not None and (isinstance(batch_size, bool)
                                   or not isinstance(batch_size, numbers.Integral)
                                   or batch_size < 1):
        raise ArgumentError(f"sweep's batch_size is a number of tuples from 1 up, not "
                            f"{batch_size!r}")


def _too_many() -> ArgumentError:
    return ArgumentError(f"more than {_MOST_SWEEP_TUPLES} tuples, the most a sweep takes")


def _tuples(arguments: object, arity: int, target: str) -> list[tuple[int, ...]]:
    """The argument tuples as tuples of ints, read up to one past the most a
    sweep takes. Negative numbers are left to the library to refuse."""
    if isinstance(arguments, (str, bytes)) or not isinstance(arguments, Iterable):
        raise ArgumentError(f"sweep takes an iterable of argument tuples such as [(1, 2), "
                            f"(3, 4)], not {type(arguments).__name__}")
    arguments = _from_array(arguments, arity, target)
    try:
        count = len(arguments)  # type: ignore[arg-type]
    except OverflowError:
        raise _too_many() from None
    except TypeError:
        count = 0  # read to its end, or to the most
    if count > _MOST_SWEEP_TUPLES:
        raise _too_many()
    tuples = []
    for index, item in enumerate(arguments):
        if index == _MOST_SWEEP_TUPLES:
            raise _too_many()
        tuples.append(_tuple(index, item, arity, target))
    return tuples


def _from_array(arguments: Iterable[Any], arity: int, target: str) -> Iterable[Any]:
    """A NumPy array's rows as tuples of ints; anything else as it is."""
    if type(arguments).__module__ != "numpy" or not hasattr(arguments, "ndim"):
        return arguments
    array: Any = arguments
    if array.dtype.kind not in "iu":
        raise ArgumentError(f"sweep takes a NumPy array of integers, not of {array.dtype}")
    if array.ndim == 2:
        return [tuple(row) for row in array.tolist()]
    if array.ndim == 1 and arity == 1:
        return [(number,) for number in array.tolist()]
    raise ArgumentError(f"sweep takes a 2-D NumPy array, a row of arguments per run (1-D for a "
                        f"target of one argument; {target} takes {arity}), not {array.ndim}-D")


def _tuple(index: int, item: object, arity: int, target: str) -> tuple[int, ...]:
    if _is_integer(item) and arity == 1:
        return (operator.index(item),)  # type: ignore[arg-type]
    if not isinstance(item, tuple):
        raise ArgumentError(f"tuple {index} is {item!r}, not a tuple of arguments: {target} "
                            f"takes {arity}")
    for value in item:
        if not _is_integer(value):
            raise ArgumentError(f"tuple {index} {item!r}: argument {value!r} is a "
                                f"{type(value).__name__}, not a natural number")
    return tuple(operator.index(value) for value in item)


def _is_integer(value: object) -> bool:
    """int and NumPy's integers; not bool, which is no count."""
    return isinstance(value, numbers.Integral) and not isinstance(value, bool)
