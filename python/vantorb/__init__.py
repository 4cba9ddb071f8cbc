"""Vantorb: compile programs of partial recursive functions into networks of
saturated-linear neurons and run them with exact decimal values.

    >>> import vantorb
    >>> program = vantorb.compile_file("multiplication.prv")
    >>> program.run(7, 8).result
    56

The compiler and the runs are the tool's own libraries (vantorb._vantorb);
this package adds what is Python's alone on top of them.
"""

from ._vantorb import (
    ArgumentError,
    Cancelled,
    CompileError,
    Error,
    Program,
    RunResult,
    Trace,
    compile,
    compile_file,
    load_equations,
    load_equations_text,
    __version__,
)

__all__ = [
    "ArgumentError",
    "Cancelled",
    "CompileError",
    "Error",
    "Program",
    "RunResult",
    "Trace",
    "compile",
    "compile_file",
    "load_equations",
    "load_equations_text",
    "__version__",
]
