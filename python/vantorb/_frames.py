"""A trace as a pandas DataFrame (Trace.to_frame). pandas is imported only
when a frame is asked for, so the package works without it."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any

if TYPE_CHECKING:
    import pandas

    from ._vantorb import Trace

MISSING_PANDAS = "to_frame needs pandas (Debian: python3-pandas)"


def to_frame(self: Trace, floats: bool = False) -> pandas.DataFrame:
    """Takes the rest of the trace's rows and gives them as a pandas
    DataFrame: the index is the iteration (named "iteration"), a column per
    neuron the trace records, in the trace's order (Trace.names).

    The values are exact decimal.Decimal objects (a column of dtype object);
    with floats=True they are float64, which holds about 16 significant
    digits: long unary codes lose their tail. The trace is exhausted
    afterwards, as after a for loop over it; a whole long trace then sits
    in memory, so give the trace a token that picks the neurons of interest.

    Raises ImportError when pandas is not installed, and whatever a step of
    the trace raises (vantorb.Error).
    """
    try:
        import pandas
    except ImportError as error:
        raise ImportError(MISSING_PANDAS) from error
    names = list(self.names)
    iterations: list[int] = []
    rows: list[list[Any]] = []
    for iteration, values in self:
        iterations.append(iteration)
        rows.append([float(values[name]) if floats else values[name] for name in names])
    index = pandas.Index(iterations, dtype="int64", name="iteration")
    return pandas.DataFrame(rows, index=index, columns=names, dtype=float if floats else object)
