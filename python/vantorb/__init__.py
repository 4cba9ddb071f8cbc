"""Vantorb: compile programs of partial recursive functions into networks of
saturated-linear neurons and run them with exact decimal values.

    >>> import vantorb
    >>> program = vantorb.compile_file("multiplication.prv")
    >>> program.run(7, 8, limit=100000).result
    56
    >>> [r.result for r in vantorb.sweep(program, [(2, 3), (4, 5)], limit=100000)]
    [6, 20]

The compiler, the runs and the sweep on threads are the tool's own
libraries (vantorb._vantorb); this package adds what is Python's alone on
top of them: sweep's calling conventions (iterables, NumPy arrays,
callbacks, progress bars), sweeps on a Dask cluster, results and traces as
pandas DataFrames (SweepResults.to_frame, Trace.to_frame) and a program's
network drawn in a notebook (Program._repr_svg_). Neither pandas, tqdm nor
Dask is imported until one of those asks for it.
"""

from ._vantorb import (
    ArgumentError,
    Cancelled,
    CompileError,
    Error,
    Program,
    RunResult,
    Trace,
    __version__,
)
from ._api import (
    METHODS as _METHODS,
    Engine,
    compile,
    compile_file,
    load_equations,
    load_equations_text,
)
from ._frames import to_frame as _to_frame
from ._svg import _repr_svg_
from ._results import SweepResults
from ._sweep import sweep

# The extension's classes take these as their own methods.
for _method in _METHODS:
    setattr(Program, _method.__name__, _method)
    _method.__qualname__ = "Program." + _method.__name__
del _method
Trace.to_frame = _to_frame
Program._repr_svg_ = _repr_svg_
# What a sweep ended by an error had done; None for any other error.
Error.results = None

# What "from vantorb import *" takes: everything but compile, which would
# hide Python's built-in compile() (vantorb.compile is there all the same).
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
