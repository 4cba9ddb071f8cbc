"""What a sweep gives: its RunResults in argument order (SweepResults), as
a table on request, and the collection of them as the runs end, which a
stopped sweep hands over with its exception."""

from __future__ import annotations

from collections.abc import Callable, Iterable
from typing import TYPE_CHECKING, Any, Generic, TypeVar

from ._frames import MISSING_PANDAS
from ._progress import Progress
from ._vantorb import RunResult

if TYPE_CHECKING:
    import pandas

_Result = TypeVar("_Result", bound="RunResult | None")


class SweepResults(list[_Result], Generic[_Result]):
    """A list of RunResults in the order of the sweep's arguments. After a
    sweep that stopped early (an exception's .results), a run never started
    is None."""

    def __init__(self, results: Iterable[_Result] = (), arity: int | None = None) -> None:
        """The results, for a target of `arity` arguments (None: as many as
        the first result has)."""
        super().__init__(results)
        self.arity = arity

    __module__ = "vantorb"

    def to_frame(self) -> pandas.DataFrame:
        """The results as a pandas DataFrame with the columns vantorb-cli
        sweep writes: x1..xn (the arguments), result (exact ints in a column
        of dtype object; None where the run did not finish), iterations and
        status ("done", "limit" or "stopped"). Runs never started have no
        row, as the tool writes none; the index is each row's position in
        the list. Raises ImportError without pandas."""
        try:
            import pandas
        except ImportError as error:
            raise ImportError(MISSING_PANDAS) from error
        kept = [(position, result) for position, result in enumerate(self)
                if isinstance(result, RunResult)]
        arity = self.arity if self.arity is not None else (
            len(kept[0][1].arguments) if kept else 0)
        index = pandas.Index([position for position, _ in kept], dtype="int64")

        def column(values: list[Any], dtype: Any) -> pandas.Series:
            return pandas.Series(values, index=index, dtype=dtype)

        # Arguments are at most 10**12; results may pass 64 bits, and stay
        # Python ints.
        columns = {f"x{k + 1}": column([r.arguments[k] for _, r in kept], "int64")
                   for k in range(arity)}
        columns["result"] = column([r.result for _, r in kept], object)
        columns["iterations"] = column([r.iterations for _, r in kept], "int64")
        columns["status"] = column([r.status for _, r in kept], object)
        return pandas.DataFrame(columns, index=index)


class Collector:
    """The results of a sweep as they come, each in its place, with the
    caller's on_result and progress told in turn. What those raise is kept
    (error) and ends the sweep, whose results are kept whole; nothing of
    the caller's is called after it."""

    def __init__(self, total: int, arity: int, on_result: Callable[[RunResult], object] | None,
                 progress: Progress, cancel: Any) -> None:
        self.results: SweepResults[RunResult | None] = SweepResults([None] * total, arity)
        self.error: BaseException | None = None
        self._on_result = on_result
        self._progress = progress
        self._cancel = cancel

    def row(self, index: int, result: RunResult) -> None:
        """The run of tuple `index` has ended with `result`; rows come in
        argument order."""
        self.results[index] = result
        if self._on_result is not None:
            self._tell(self._on_result, result)

    def ended(self, done: int, total: int | None = None) -> None:
        """`done` runs have ended, in any order."""
        self._tell(self._progress.update, done)

    def is_set(self) -> bool:
        """Whether the sweep is to stop: the caller's cancel is set, or a
        callback has raised. The sweep's cancel object."""
        return self.error is not None or (self._cancel is not None and bool(self._cancel.is_set()))

    def close(self) -> None:
        """Ends the progress, however the sweep ended."""
        self._progress.close()

    def _tell(self, callback: Callable[..., object], *arguments: object) -> None:
        if self.error is not None:
            return
        try:
            callback(*arguments)
        except BaseException as error:  # noqa: BLE001  (raised when the sweep is over)
            self.error = error
