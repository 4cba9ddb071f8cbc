# Types of the vantorb package: the extension's classes and functions, and
# the package's own sweep.

import os
from collections.abc import Callable, Iterable
from typing import Any, Generic, Protocol, SupportsIndex, TypeVar

import pandas

from ._vantorb import ArgumentError as ArgumentError
from ._vantorb import Cancelled as Cancelled
from ._vantorb import CompileError as CompileError
from ._vantorb import Error as Error
from ._vantorb import Program as Program
from ._vantorb import RunResult as RunResult
from ._vantorb import Trace as Trace
from ._vantorb import __version__ as __version__
from ._api import Engine as Engine
from ._api import Flag as _Flag
from ._api import compile as compile
from ._api import compile_file as compile_file
from ._api import load_equations as load_equations
from ._api import load_equations_text as load_equations_text

class _DaskClient(Protocol):
    """The part of a dask.distributed.Client that sweep uses."""
    @property
    def submit(self) -> Callable[..., Any]: ...
    @property
    def gather(self) -> Callable[..., Any]: ...
    @property
    def cancel(self) -> Callable[..., Any]: ...
    @property
    def processing(self) -> Callable[..., Any]: ...
    @property
    def scheduler_info(self) -> Callable[..., Any]: ...

class _Bar(Protocol):
    """What sweep's progress= uses of a tqdm bar."""
    def update(self, n: int) -> Any: ...

_Result = TypeVar("_Result", bound=RunResult | None)

class SweepResults(list[_Result], Generic[_Result]):
    arity: int | None
    def __init__(self, results: Iterable[_Result] = ..., arity: int | None = None) -> None: ...
    def to_frame(self) -> pandas.DataFrame: ...

class _Array(Protocol):
    """A NumPy array, as sweep reads it."""
    @property
    def ndim(self) -> int: ...
    def tolist(self) -> Any: ...

# A sweep's arguments: tuples of ints or NumPy integers, plain numbers for a
# target of one argument, or a NumPy array of integers.
_Number = int | SupportsIndex
_Arguments = Iterable[tuple[_Number, ...]] | Iterable[_Number] | _Array

def sweep(program: Program | str | os.PathLike[str], arguments: _Arguments, *,
          limit: int = 0, engine: Engine | None = None, workers: int | None = None,
          client: _DaskClient | None = None, batch_size: int | None = None,
          progress: bool | Callable[[int, int], object] | _Bar = False,
          on_result: Callable[[RunResult], object] | None = None,
          timeout: float | None = None, cancel: _Flag | None = None) -> SweepResults[RunResult]: ...

__all__ = [
    "ArgumentError",
    "Cancelled",
    "CompileError",
    "Error",
    "Program",
    "RunResult",
    "SweepResults",
    "Trace",
    "__version__",
    "compile_file",
    "load_equations",
    "load_equations_text",
    "sweep",
]
