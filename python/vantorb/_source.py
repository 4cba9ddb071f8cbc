"""What a sweep sends to its workers instead of a Program: the text the
program was made from, its file name and kind, from which each worker
makes a Program of its own (a Program runs one computation at a time)."""

from __future__ import annotations

import threading

from ._api import compile, load_equations_text
from ._vantorb import Program


class ProgramSource:
    """A Program's text, name and kind ("program" or "equations"): small,
    picklable and hashable, so that it travels to Dask workers and keys
    their cache. Immutable, so it may be shared by threads."""

    __slots__ = ("text", "name", "kind")

    def __init__(self, text: str, name: str, kind: str) -> None:
        """Keeps the three as given; build() checks them."""
        self.text = text
        self.name = name
        self.kind = kind

    @classmethod
    def of(cls, program: Program) -> ProgramSource:
        """The source a Program was made from."""
        return cls(program.text, program.name, program.kind)

    def build(self) -> Program:
        """A new Program from the text, compiled or loaded as its kind says;
        raises CompileError as compile and load_equations_text do."""
        if self.kind == "equations":
            return load_equations_text(self.text, name=self.name)
        return compile(self.text, name=self.name)

    def _key(self) -> tuple[str, str, str]:
        return (self.text, self.name, self.kind)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, ProgramSource) and self._key() == other._key()

    def __hash__(self) -> int:
        return hash(self._key())

    def __getstate__(self) -> tuple[str, str, str]:
        return self._key()

    def __setstate__(self, state: tuple[str, str, str]) -> None:
        self.text, self.name, self.kind = state

    def __repr__(self) -> str:
        return f"<ProgramSource {self.kind} {self.name}, {len(self.text)} characters>"


# A worker thread's Programs by source: compiled once per thread, since the
# thread runs one task at a time and a Program one computation at a time.
# Only the last few sources are kept, so that a long-lived worker serving
# many sweeps does not grow.
_MOST_KEPT = 4
_kept = threading.local()


def program_for(source: ProgramSource) -> Program:
    """This thread's Program for the source, made at its first use."""
    programs: dict[ProgramSource, Program] | None = getattr(_kept, "programs", None)
    if programs is None:
        programs = _kept.programs = {}
    program = programs.pop(source, None)
    if program is None:
        program = source.build()
    programs[source] = program  # the most recently used last
    while len(programs) > _MOST_KEPT:
        del programs[next(iter(programs))]
    return program
