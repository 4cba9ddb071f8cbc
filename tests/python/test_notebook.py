"""What a notebook shows of vantorb: a trace as a pandas DataFrame with the
trace's exact values, and a program's network as SVG drawn by dot, or None
when it cannot be drawn."""

import decimal
import sys

import pytest

import vantorb
import vantorb._svg
from conftest import EXAMPLES

LIMIT = 100000


@pytest.fixture(scope="module")
def addition():
    return vantorb.compile_file(EXAMPLES / "addition.prv")


@pytest.mark.parametrize("floats", [False, True])
def test_a_trace_frame_holds_the_trace_s_rows(addition, floats):
    pytest.importorskip("pandas")
    rows = list(addition.trace(2, 3, token="1_1", limit=LIMIT))
    with addition.trace(2, 3, token="1_1", limit=LIMIT) as trace:
        names = trace.names
        frame = trace.to_frame(floats=floats)
        assert trace.result == 5
    assert len(names) > 1
    assert frame.index.name == "iteration"
    assert list(frame.columns) == names
    assert list(frame.index) == [iteration for iteration, _ in rows]
    convert = float if floats else (lambda value: value)
    assert frame.values.tolist() == [[convert(values[name]) for name in names]
                                     for _, values in rows]
    assert isinstance(frame.iloc[-1, 0], float if floats else decimal.Decimal)


def test_a_trace_frame_takes_only_the_rows_left(addition):
    pytest.importorskip("pandas")
    with addition.trace(2, 3, token="Eres", limit=LIMIT) as trace:
        first, _ = next(trace)
        frame = trace.to_frame()
    assert frame.index[0] == first + 1
    assert trace.to_frame().empty  # exhausted: no rows, the same columns
    assert list(trace.to_frame().columns) == trace.names


def test_a_trace_frame_without_pandas_says_what_is_missing(addition, monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)  # import pandas fails
    with addition.trace(1, 1, token="Eres", limit=LIMIT) as trace:
        with pytest.raises(ImportError, match=r"^to_frame needs pandas \(Debian: python3-pandas\)$"):
            trace.to_frame()


def test_a_program_is_drawn_as_svg_by_dot(addition):
    if vantorb._svg.shutil.which("dot") is None:
        pytest.skip("Graphviz's dot is not installed")
    svg = addition._repr_svg_()
    assert "<svg" in svg and "XREres_1_7" in svg


@pytest.mark.parametrize("path, most", [("", 1500), (None, 38), (None, 39)])
def test_a_program_is_not_drawn_without_dot_or_above_the_most_neurons(addition, monkeypatch,
                                                                       tmp_path, path, most):
    # addition has 39 neurons.
    if path is not None:
        monkeypatch.setenv("PATH", str(tmp_path))
    elif vantorb._svg.shutil.which("dot") is None:
        pytest.skip("Graphviz's dot is not installed")
    monkeypatch.setattr(vantorb._svg, "MOST_NEURONS_DRAWN", most)
    drawn = addition._repr_svg_()
    assert (drawn is None) == (path is not None or most < 39)
