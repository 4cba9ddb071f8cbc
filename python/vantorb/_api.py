"""The functions that make a Program, and Program's methods, as Python
functions over the extension's own (whose names begin with "_"), so that
inspect.signature, help() and notebooks see real signatures: each
parameter's name, type and default. The package puts the methods on
Program when it is imported."""

# No "from __future__ import annotations": the annotations are objects, as
# inspect.signature and help() show them.

import os
from decimal import Decimal
from typing import Literal, Protocol, TypedDict

from ._vantorb import (
    _DEFAULT_BOUND,
    Program,
    RunResult,
    Trace,
    _compile,
    _compile_file,
    _load_equations,
    _load_equations_text,
)

# The engines a run takes, as vantorb-cli run --engine names them.
Engine = Literal["macro", "event", "dense", "reference"]


class Flag(Protocol):
    """What `cancel` takes: an object with is_set(), such as threading.Event."""

    def is_set(self) -> bool: ...


class Weights(TypedDict):
    """Program.weights(): the network as plain data."""

    neurons: list[str]
    inputs: list[str]
    outputs: list[str]
    synapses: list[tuple[str, str, Decimal]]
    biases: dict[str, Decimal]


def compile(text: str | bytes, name: str | bytes = "program.prv") -> Program:
    """Compiles a program given as text.

    text: the program, as a str or as the bytes a file holds.
    name: the file name it goes by, in messages and in Program.name.

    Raises CompileError with the compiler's message and its line.
    """
    return _compile(text, name)


def compile_file(path: str | os.PathLike[str]) -> Program:
    """Compiles a program file.

    A file whose name ends in .equ (in any case) is loaded as dynamic
    equations, as vantorb-cli does. Raises CompileError, for a file that
    cannot be read with the system's reason ("Cannot open file NAME: No
    such file or directory").
    """
    return _compile_file(path)


def load_equations(path: str | os.PathLike[str]) -> Program:
    """Loads a dynamic equation file, whatever its name.

    Raises CompileError, as compile_file() does.
    """
    return _load_equations(path)


def load_equations_text(text: str | bytes, name: str | bytes = "UserNet.EQU") -> Program:
    """Loads dynamic equations given as text (str or bytes).

    name: the file name they go by. Raises CompileError.
    """
    return _load_equations_text(text, name)


def run(self: Program, *arguments: int | str, limit: int = 0, engine: Engine = "macro",
        timeout: float | None = None, cancel: Flag | None = None) -> RunResult:
    """Runs the network on the arguments.

    arguments: natural numbers (int, or str of digits), as many as the
        target takes.
    limit: the most iterations (0: no limit); a run the limit stops has
        result None and its read-out in partial_result.
    engine: as vantorb-cli run --engine: 'macro' leaps over the loops it
        has proved, 'event' goes iteration by iteration, 'dense' and
        'reference' as the tool's; all give the same values.
    timeout: seconds, counted from the call; cancel: an object with
        is_set() (such as threading.Event, set from any thread). Both are
        looked at every 50 ms; either stops the run with Cancelled.

    Ctrl-C stops the run with KeyboardInterrupt. A run waits for one in
    progress on the same program. Refuses what the tool refuses with
    ArgumentError.
    """
    return self._run(*arguments, limit=limit, engine=engine, timeout=timeout, cancel=cancel)


def eval(self: Program, *arguments: int | str, bound: int = _DEFAULT_BOUND,
         timeout: float | None = None, cancel: Flag | None = None) -> int:
    """Computes the target's value from its definitions, without a network.

    bound: caps each minimization's search at that many candidates; the
        whole evaluation is capped at 100000000 rule applications (Error
        past them).
    timeout, cancel: stop it with Cancelled, as for run().
    """
    return self._eval(*arguments, bound=bound, timeout=timeout, cancel=cancel)


def trace(self: Program, *arguments: int | str, token: str, limit: int = 100000) -> Trace:
    """Runs the network row by row, recording chosen neurons.

    token: the neurons whose names contain it ('*': all of them); a token
        that no name contains is refused with ArgumentError ("No neuron
        name contains TOKEN"), as vantorb-cli trace refuses it.
    limit: the most iterations (0: no limit); a trace the limit stops has
        result None and its read-out in partial_result.

    The program is held until the trace ends: exhausted, closed, or left
    as a context manager.
    """
    return self._trace(*arguments, token=token, limit=limit)


def write_equations(self: Program, path: str | os.PathLike[str]) -> None:
    """Writes the network's dynamic equation file.

    As vantorb-cli equations FILE -o PATH does: CR LF line ends, the file
    replaced only once all of it is written. Raises Error with the system's
    reason ("Cannot write the file NAME: Permission denied").
    """
    self._write_equations(path)


def equations(self: Program) -> list[str]:
    """The dynamic equation lines of the network's neurons, without line
    ends."""
    return self._equations()


def graph(self: Program) -> str:
    """The network as Graphviz DOT text."""
    return self._graph()


def weights(self: Program) -> Weights:
    """The network as plain data.

    'neurons': the names of the neurons it computes; 'inputs': Ein,
    Edata1, ...; 'outputs': the end and result neurons; 'synapses':
    (target, source, weight) tuples; 'biases': {name: bias}. Weights and
    biases are exact Decimals, as the equation file writes them.
    """
    return self._weights()


# Program's methods, put on the class by the package.
METHODS = [run, eval, trace, write_equations, equations, graph, weights]
