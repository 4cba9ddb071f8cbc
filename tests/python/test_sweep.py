"""vantorb.sweep: the same RunResults as runs one after another, in the
order of the arguments, on threads and on a Dask cluster, the same rows as
vantorb-cli sweep; a sweep stopped by cancel, timeout or a failed run; bad
arguments and options refused before any run."""

import csv
import io
import threading

import pytest

import vantorb
from conftest import EXAMPLES

LIMIT = 100000
MULTIPLICATION = EXAMPLES / "multiplication.prv"
# Iterations grow with x * y: at a limit of 300, (3, 4) finishes and (5, 5)
# stops at the limit, so a grid holds both outcomes.
SHORT_LIMIT = 300
GRID = [(x, y) for x in range(6) for y in range(5)]
# The search for a q with q + 1 = 0 never ends; at this limit a run takes
# about half a minute with the event engine, so only a working cancel or
# timeout ends these sweeps within their first second.
FOREVER = "f M(C(U(2,2), S))"
FOREVER_LIMIT = 30_000_000


@pytest.fixture(scope="module")
def multiplication():
    return vantorb.compile_file(MULTIPLICATION)


def one_after_another(program, arguments, limit, engine="macro"):
    return [program.run(*item, limit=limit, engine=engine) for item in arguments]


@pytest.mark.parametrize("workers", [1, 2, 3, 64])
@pytest.mark.parametrize("limit, engine", [(LIMIT, None), (SHORT_LIMIT, "event")])
def test_a_thread_sweep_gives_the_results_of_runs_one_after_another(multiplication, workers,
                                                                   limit, engine):
    arguments = list(reversed(GRID))
    swept = vantorb.sweep(multiplication, arguments, limit=limit, engine=engine,
                          workers=workers)
    assert swept == one_after_another(multiplication, arguments, limit, engine or "macro")
    assert [result.arguments for result in swept] == arguments
    assert {result.stopped_by_limit for result in swept} == ({False} if limit == LIMIT
                                                             else {False, True})


@pytest.mark.parametrize("given", [lambda: MULTIPLICATION, lambda: str(MULTIPLICATION),
                                   lambda: vantorb.compile(MULTIPLICATION.read_bytes(),
                                                           name="mul.prv")])
def test_a_sweep_takes_a_path_or_a_program_compiled_from_text(multiplication, given):
    arguments = GRID[:8]
    assert vantorb.sweep(given(), arguments, limit=LIMIT, workers=2) == one_after_another(
        multiplication, arguments, LIMIT)


def test_a_sweep_runs_an_equation_file_as_its_program(multiplication, tmp_path):
    equations = tmp_path / "mul.EQU"
    multiplication.write_equations(equations)
    for program in (equations, vantorb.load_equations(equations)):
        assert vantorb.sweep(program, GRID[:6], limit=LIMIT, workers=2) == one_after_another(
            multiplication, GRID[:6], LIMIT)


def test_a_sweep_leaves_the_given_program_alone(multiplication):
    # An unfinished trace holds the program in this thread: a run of it here
    # would raise Error, so the sweep's threads must run programs of their own.
    with multiplication.trace(2, 3, token="Eres", limit=LIMIT) as trace:
        next(trace)
        with pytest.raises(vantorb.Error):
            multiplication.run(1, 1, limit=LIMIT)
        assert [r.result for r in vantorb.sweep(multiplication, [(2, 3), (4, 4)],
                                                limit=LIMIT, workers=2)] == [6, 16]


def test_a_sweep_takes_numpy_integers_and_shows_its_progress(multiplication, capsys):
    numpy = pytest.importorskip("numpy")
    swept = vantorb.sweep(multiplication, [(numpy.int64(3), numpy.uint8(4)), (2, 2)],
                          limit=LIMIT, workers=1, progress=True)
    assert [(r.arguments, r.result) for r in swept] == [((3, 4), 12), ((2, 2), 4)]
    assert capsys.readouterr().err.endswith("sweep: 2/2 runs\n")


def test_an_empty_sweep_gives_no_results(multiplication):
    assert vantorb.sweep(multiplication, iter([]), limit=LIMIT) == []


def test_a_failed_run_stops_the_sweep_with_its_error(multiplication):
    # 10**13 is beyond what a run takes; the runs around it are fine.
    arguments = [(1, 2)] * 5 + [(10**13, 1)] + [(2, 3)] * 5
    with pytest.raises(vantorb.ArgumentError):
        vantorb.sweep(multiplication, arguments, limit=LIMIT, workers=2)
    with pytest.raises(vantorb.ArgumentError):
        vantorb.sweep(multiplication, [(1, 2)], limit=-1)


@pytest.mark.parametrize("stopping, message", [
    ("cancel", "The sweep was cancelled after 0 of 4 runs"),
    ("timeout", "The sweep took longer than its timeout of 0.3 seconds (0 of 4 runs done)"),
])
def test_cancel_and_timeout_stop_a_thread_sweep_in_its_runs(stopping, message):
    forever = vantorb.compile(FOREVER)
    cancel = threading.Event()
    timer = threading.Timer(0.3, cancel.set)
    options = {"cancel": cancel} if stopping == "cancel" else {"timeout": 0.3}
    timer.start()
    try:
        with pytest.raises(vantorb.Cancelled) as stopped:
            vantorb.sweep(forever, [(1,), (2,), (3,), (4,)], limit=FOREVER_LIMIT,
                          engine="event", workers=2, **options)
    finally:
        timer.cancel()
    assert str(stopped.value) == message


def test_a_sweep_cancelled_before_it_starts_runs_nothing(multiplication):
    cancel = threading.Event()
    cancel.set()
    with pytest.raises(vantorb.Cancelled, match="after 0 of 2 runs"):
        vantorb.sweep(multiplication, [(1, 1), (2, 2)], limit=LIMIT, cancel=cancel)


class NotAClient:
    submit = None


@pytest.mark.parametrize("program, arguments, options, message", [
    (3, [(1, 2)], {}, "sweep takes a Program or the path of a program file, not int"),
    (None, 3, {}, "sweep takes an iterable of argument tuples such as [(1, 2), (3, 4)], not int"),
    (None, "12", {}, "not str"),
    (None, (1, 2), {}, "sweep's arguments[0] is 1, not a tuple"),
    (None, [(1, 2), [3, 4]], {}, "sweep's arguments[1] is [3, 4], not a tuple"),
    (None, [(1,)], {}, "sweep's arguments[0] is (1,), but mul takes 2 arguments"),
    (None, [(1, 2, 3)], {}, "but mul takes 2 arguments"),
    (None, [(1, -2)], {}, "sweep's arguments[0] is (1, -2): arguments are natural numbers"),
    (None, [(True, 2)], {}, "arguments are natural numbers"),
    (None, [(1.0, 2)], {}, "arguments are natural numbers"),
    (None, [("1", 2)], {}, "arguments are natural numbers"),
    (None, [(1, 2)], {"workers": 0}, "sweep's workers is a number of threads from 1 up, not 0"),
    (None, [(1, 2)], {"workers": True}, "not True"),
    (None, [(1, 2)], {"workers": 2.0}, "not 2.0"),
    (None, [(1, 2)], {"timeout": 0}, "sweep's timeout is a number of seconds above 0, not 0"),
    (None, [(1, 2)], {"timeout": -1.5}, "not -1.5"),
    (None, [(1, 2)], {"timeout": "1"}, "not '1'"),
    (None, [(1, 2)], {"cancel": True}, "sweep's cancel is an object with is_set(), such as a "
                                       "threading.Event, not bool"),
    (None, [(1, 2)], {"client": NotAClient()},
     "sweep's client is a dask.distributed Client, not NotAClient"),
    (None, [(1, 2)], {"client": NotAClient(), "workers": 2},
     "sweep takes workers or a client, not both"),
])
def test_bad_arguments_and_options_are_refused_before_any_run(multiplication, program, arguments,
                                                              options, message):
    with pytest.raises(vantorb.ArgumentError) as refused:
        vantorb.sweep(multiplication if program is None else program, arguments,
                      limit=LIMIT, **options)
    assert message in str(refused.value)


def test_a_sweep_of_a_missing_file_raises_compile_error(tmp_path):
    with pytest.raises(vantorb.CompileError):
        vantorb.sweep(tmp_path / "missing.prv", [(1, 2)], limit=LIMIT)


# Dask: a small cluster of two worker processes for the module's tests.

@pytest.fixture(scope="module")
def dask_client():
    distributed = pytest.importorskip("distributed", reason="dask.distributed is not installed")
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


def cli_sweep(cli, file, ranges, limit):
    """The tool's status and CSV rows for the sweep."""
    status, out, err = cli("sweep", file, *ranges, "--limit", limit, "--jobs", 2)
    if "unknown command" in err:
        pytest.skip(f"this vantorb-cli has no sweep command: {err.strip()}")
    return status, list(csv.reader(io.StringIO(out)))


def as_rows(results):
    return [[*map(str, r.arguments), "" if r.result is None else str(r.result),
             str(r.iterations), "limit" if r.stopped_by_limit else "done"] for r in results]


def test_a_dask_sweep_gives_the_thread_sweep_and_the_tool_s_rows(multiplication, dask_client,
                                                                 cli):
    on_dask = vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, client=dask_client)
    assert on_dask == vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, workers=2)
    status, rows = cli_sweep(cli, MULTIPLICATION, ["0..5", "0..4"], SHORT_LIMIT)
    assert status == 3  # the limit stopped some runs
    assert rows[0] == ["x1", "x2", "result", "iterations", "status"]
    assert rows[1:] == as_rows(on_dask)


def test_a_dask_sweep_of_an_equation_file_loads_it_from_its_text(multiplication, dask_client,
                                                                  tmp_path):
    equations = tmp_path / "mul.EQU"
    multiplication.write_equations(equations)
    assert vantorb.sweep(equations, GRID[:6], limit=LIMIT, client=dask_client) == (
        one_after_another(multiplication, GRID[:6], LIMIT))


def test_a_failed_run_on_dask_raises_its_error_here(multiplication, dask_client):
    with pytest.raises(vantorb.ArgumentError):
        vantorb.sweep(multiplication, [(1, 2), (10**13, 1)], limit=LIMIT, client=dask_client)


@pytest.mark.parametrize("stopping", ["cancel", "timeout"])
def test_cancel_and_timeout_stop_a_dask_sweep(dask_client, stopping):
    forever = vantorb.compile(FOREVER)
    cancel = threading.Event()
    timer = threading.Timer(0.5, cancel.set)
    # The timeout also reaches the runs on the workers, so that the cluster
    # is free again soon after; the cancelled sweep leaves its runs to the
    # timeout of 2 seconds they were sent with.
    options = {"cancel": cancel, "timeout": 2} if stopping == "cancel" else {"timeout": 0.5}
    timer.start()
    try:
        with pytest.raises(vantorb.Cancelled, match="cancelled after 0 of 2 runs"
                           if stopping == "cancel" else "timeout of 0.5 seconds"):
            vantorb.sweep(forever, [(1,), (2,)], limit=FOREVER_LIMIT, engine="event",
                          client=dask_client, **options)
    finally:
        timer.cancel()
    # The cluster takes new tasks afterwards.
    assert vantorb.sweep(forever, [(1,)], limit=10, client=dask_client)[0].stopped_by_limit
