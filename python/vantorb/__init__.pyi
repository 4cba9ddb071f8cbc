# Types of the vantorb package: the extension's classes and functions, and
# the package's own sweep.

import os
from collections.abc import Callable, Iterable
from typing import Any, Protocol

from ._vantorb import ArgumentError as ArgumentError
from ._vantorb import Cancelled as Cancelled
from ._vantorb import CompileError as CompileError
from ._vantorb import Error as Error
from ._vantorb import Program as Program
from ._vantorb import RunResult as RunResult
from ._vantorb import Trace as Trace
from ._vantorb import __version__ as __version__
from ._vantorb import _Flag
from ._vantorb import compile as compile
from ._vantorb import compile_file as compile_file
from ._vantorb import load_equations as load_equations
from ._vantorb import load_equations_text as load_equations_text

class _DaskClient(Protocol):
    """The part of a dask.distributed.Client that sweep uses."""
    @property
    def submit(self) -> Callable[..., Any]: ...
    @property
    def scatter(self) -> Callable[..., Any]: ...
    @property
    def gather(self) -> Callable[..., Any]: ...
    @property
    def cancel(self) -> Callable[..., Any]: ...

def sweep(program: Program | str | os.PathLike[str], arguments: Iterable[tuple[int, ...]], *,
          limit: int = 0, engine: str | None = None, workers: int | None = None,
          client: _DaskClient | None = None, progress: bool = False,
          timeout: float | None = None, cancel: _Flag | None = None) -> list[RunResult]: ...

__all__ = [
    "ArgumentError",
    "Cancelled",
    "CompileError",
    "Error",
    "Program",
    "RunResult",
    "Trace",
    "__version__",
    "compile",
    "compile_file",
    "load_equations",
    "load_equations_text",
    "sweep",
]
