"""vantorb.sweep on threads (the library's sweep) and on a Dask cluster:
the results of runs one after another in the order of the arguments, the
tool's table, bad tuples refused before any run, and what a sweep ended
by a cancel, a timeout, Ctrl-C, a failed run, a callback or lost workers
keeps."""

import contextlib
import csv
import io
import itertools
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import doc_examples
import vantorb
from conftest import EXAMPLES, ROOT, ctrl_c_until_raised

LIMIT = 100000
MULTIPLICATION = EXAMPLES / "multiplication.prv"
# Iterations grow with x * y: at a limit of 300, (3, 4) finishes and (5, 5)
# stops at the limit, so a grid holds both outcomes.
SHORT_LIMIT = 300
GRID = [(x, y) for x in range(6) for y in range(5)]
# The search for a q with q + 1 = 0 never ends; the event engine goes
# through it at about a million iterations a second.
FOREVER = "f M(C(U(2,2), S))"
FOREVER_LIMIT = 30_000_000
KILLED_LIMIT = 200_000  # a fifth of a second
# A network that signals its end, without a result neuron, for any argument
# but 0: those runs fail, runs of 0 go to the limit.
ENDS_WITHOUT_RESULT = "D(i+1)=sigma(1.0*Edata1(i)+0)\r\nXEout(i+1)=sigma(100.0*D(i)+-10.0)\r\n"


@pytest.fixture(scope="module")
def multiplication():
    return vantorb.compile_file(MULTIPLICATION)


@pytest.fixture(scope="module")
def dask_client():
    """Two worker processes of one thread, vantorb already imported there."""
    distributed = pytest.importorskip("distributed", reason="dask.distributed is not installed")
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=":0") as cluster:
        with distributed.Client(cluster) as client:
            vantorb.sweep(vantorb.compile("f S"), range(4), limit=10, client=client)
            yield client


@pytest.fixture(params=["threads", "dask"])
def on(request):
    """sweep's options for two workers, threads or Dask's."""
    if request.param == "threads":
        return {"workers": 2}
    return {"client": request.getfixturevalue("dask_client")}


def one_per_batch(options):
    return {**options, "batch_size": 1} if "client" in options else options


def one_after_another(program, arguments, limit, engine="macro"):
    return [program.run(*item, limit=limit, engine=engine) for item in arguments]


def assert_workers_idle(client):
    """No worker of the client executes a task, within about a second."""
    for _ in range(20):
        busy = client.run(lambda dask_worker: dask_worker.state.executing_count)
        if not any(busy.values()):
            return
        time.sleep(0.05)
    assert not any(busy.values()), busy


@pytest.mark.parametrize("limit, engine", [(LIMIT, None), (SHORT_LIMIT, "event")])
@pytest.mark.parametrize("spread", [{"workers": 1}, {"workers": 3}, {"workers": 64},
                                    {"batch_size": None}, {"batch_size": 1}, {"batch_size": 7}],
                         ids=lambda spread: "-".join(f"{k}={v}" for k, v in spread.items()))
def test_a_sweep_gives_the_results_of_runs_one_after_another(multiplication, request, spread,
                                                             limit, engine):
    if "batch_size" in spread:
        spread = {**spread, "client": request.getfixturevalue("dask_client")}
    arguments = list(reversed(GRID))
    swept = vantorb.sweep(multiplication, arguments, limit=limit, engine=engine, **spread)
    assert swept == one_after_another(multiplication, arguments, limit, engine or "macro")
    assert {result.status for result in swept} == ({"done"} if limit == LIMIT
                                                   else {"done", "limit"})


@pytest.mark.parametrize("given", [lambda: MULTIPLICATION, lambda: str(MULTIPLICATION),
                                   lambda: vantorb.compile(MULTIPLICATION.read_bytes(),
                                                           name="mul.prv")])
def test_a_sweep_takes_a_path_or_a_program_compiled_from_text(multiplication, given):
    arguments = GRID[:8]
    assert vantorb.sweep(given(), arguments, limit=LIMIT, workers=2) == one_after_another(
        multiplication, arguments, LIMIT)


def test_a_sweep_runs_an_equation_file_as_its_program(multiplication, on, tmp_path):
    equations = tmp_path / "mul.EQU"
    multiplication.write_equations(equations)
    for program in (equations, vantorb.load_equations(equations)):
        assert vantorb.sweep(program, GRID[:6], limit=LIMIT, **on) == one_after_another(
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


@pytest.mark.parametrize("program, arguments, tuples", [
    ("mul", lambda np: np.array([[3, 4], [2, 2]], dtype=np.int32), [(3, 4), (2, 2)]),
    ("mul", lambda np: [(np.int64(3), np.uint8(4))], [(3, 4)]),
    ("successor", lambda np: np.arange(3, dtype=np.uint16), [(0,), (1,), (2,)]),
    ("successor", lambda np: range(3), [(0,), (1,), (2,)]),
    ("successor", lambda np: iter([5, (6,)]), [(5,), (6,)]),
])
def test_arrays_ranges_and_numpy_integers_are_arguments(multiplication, program, arguments,
                                                        tuples):
    numpy = pytest.importorskip("numpy")
    program = multiplication if program == "mul" else vantorb.compile("f S")
    swept = vantorb.sweep(program, arguments(numpy), limit=LIMIT, workers=2)
    assert swept == one_after_another(program, tuples, LIMIT)
    assert all(type(number) is int for result in swept for number in result.arguments)


def test_an_empty_sweep_gives_an_empty_table(multiplication):
    pytest.importorskip("pandas")
    swept = vantorb.sweep(multiplication, iter([]), limit=LIMIT)
    assert swept == []
    assert list(swept.to_frame().columns) == ["x1", "x2", "result", "iterations", "status"]


class FakeClient:
    def submit(self, *arguments, **options):
        raise AssertionError("nothing is submitted before the checks")


@pytest.mark.parametrize("program, arguments, options, message", [
    (3, [(1, 2)], {}, "sweep takes a Program or the path of a program file, not int"),
    (None, 3, {}, "sweep takes an iterable of argument tuples such as [(1, 2), (3, 4)], not int"),
    (None, (1, 2), {}, "tuple 0 is 1, not a tuple of arguments: mul takes 2"),
    (None, [(1, 2), [3, 4]], {}, "tuple 1 is [3, 4], not a tuple of arguments: mul takes 2"),
    (None, [(True, 2)], {}, "tuple 0 (True, 2): argument True is a bool, not a natural number"),
    (None, [("1", 2)], {}, "argument '1' is a str, not a natural number"),
    (None, range(10**9), {}, "more than 100000000 tuples, the most a sweep takes"),
    (None, lambda np: np.array([[1.5, 2.0]]), {},
     "sweep takes a NumPy array of integers, not of float64"),
    (None, lambda np: np.arange(3), {}, "sweep takes a 2-D NumPy array, a row of arguments per "
                                        "run (1-D for a target of one argument; mul takes 2), "
                                        "not 1-D"),
    (None, lambda np: np.zeros((1, 2, 2), dtype=int), {}, "not 3-D"),
    (None, [(1, 2)], {"workers": 0}, "workers takes a number of threads from 1 to 1024"),
    (None, [(1, 2)], {"workers": 1025}, "workers takes a number of threads from 1 to 1024"),
    (None, [(1, 2)], {"timeout": -1.5}, "timeout takes a number of seconds greater than 0"),
    (None, [(1, 2)], {"cancel": True}, "cancel takes an object with is_set(), such as a "
                                       "threading.Event"),
    (None, [(1, 2)], {"progress": "yes"}, "sweep's progress takes True, a callable (done, "
                                          "total) or a tqdm-style object with update(), not str"),
    (None, [(1, 2)], {"on_result": 3}, "sweep's on_result is a callable taking a RunResult"),
    (None, [(1, 2)], {"client": object()}, "sweep's client is a dask.distributed Client, not "
                                           "object"),
    (None, [(1, 2)], {"client": FakeClient(), "workers": 2},
     "sweep takes workers or a client, not both"),
    (None, [(1, 2)], {"client": FakeClient(), "batch_size": 0},
     "sweep's batch_size is a number of tuples from 1 up, not 0"),
    (None, [(1, 2)], {"batch_size": 10}, "sweep's batch_size is for a sweep on a Dask client"),
    (None, [(1, 2)], {"client": FakeClient(), "limit": -1},
     "limit takes a number of iterations up to 9223372036854775807"),
])
def test_bad_arguments_and_options_are_refused_before_any_run(multiplication, program, arguments,
                                                              options, message):
    options.setdefault("limit", LIMIT)
    if callable(arguments):
        arguments = arguments(pytest.importorskip("numpy"))
    with pytest.raises(vantorb.ArgumentError) as refused:
        vantorb.sweep(multiplication if program is None else program, arguments, **options)
    assert message in str(refused.value)


def test_a_sweep_reads_no_more_tuples_than_it_takes(monkeypatch):
    monkeypatch.setattr(vantorb._sweep, "_MOST_SWEEP_TUPLES", 50)
    read = itertools.count()
    endless = ((next(read),) for _ in itertools.count())
    with pytest.raises(vantorb.ArgumentError, match="^more than 50 tuples, the most a sweep"):
        vantorb.sweep(vantorb.compile("f S"), endless, limit=10)
    assert next(read) == 51


def test_a_sweep_of_a_missing_file_raises_compile_error(tmp_path):
    with pytest.raises(vantorb.CompileError):
        vantorb.sweep(tmp_path / "missing.prv", [(1, 2)], limit=LIMIT)


@pytest.mark.parametrize("tuples, message", [
    ([(1, 2)] * 5 + [(10**13, 1)], "tuple 5 (10000000000000, 1): the argument 10000000000000 "
                                   "is too large: at most 1000000000000 can be computed"),
    ([(1, 2), (1, -2)], "tuple 1 (1, -2): argument '-2' is not a natural number"),
    ([(1, 2), (1, 2, 3)], "tuple 1 (1, 2, 3) has 3 arguments, the first 2"),
    ([(1,), (1,)], "mul takes 2 arguments, 1 given"),
])
def test_a_bad_tuple_is_refused_before_any_run(multiplication, on, tuples, message):
    seen = []
    with pytest.raises(vantorb.ArgumentError) as refused:
        vantorb.sweep(multiplication, tuples, limit=LIMIT, on_result=seen.append, **on)
    assert (str(refused.value), seen) == (message, [])
    assert refused.value.results == [None] * len(tuples)


def test_a_failed_run_ends_the_sweep_with_its_error_and_the_runs_before_it(on):
    ends = vantorb.load_equations_text(ENDS_WITHOUT_RESULT, name="ends.EQU")
    tuples = [0, 0, 0, 1, 0, 0]
    # One thread, or one batch: the runs after the failed one never start.
    options = {**on, "batch_size": len(tuples)} if "client" in on else {"workers": 1}
    with pytest.raises(vantorb.Error, match=r"no result neuron \(Eres\)") as failed:
        vantorb.sweep(ends, tuples, limit=50, **options)
    assert failed.value.results == [ends.run(0, limit=50)] * 3 + [None] * 3


@pytest.mark.parametrize("stopping", ["cancel", "timeout", "ctrl-c"])
def test_a_stopped_sweep_keeps_the_runs_done_and_frees_its_workers(multiplication, on,
                                                                   stopping):
    short = [(x, 3) for x in range(4)]
    endless = [(10**6, 10**6)] * 3  # far longer than the test under the event engine
    tuples = short + endless + short
    cancel, shorts_done = threading.Event(), threading.Event()

    def seen(result):
        if len(seen.results) == len(short) - 1:
            shorts_done.set()
            if stopping == "cancel":
                cancel.set()
        seen.results.append(result)
    seen.results = []

    options = {"cancel": {"cancel": cancel}, "timeout": {"timeout": 2}, "ctrl-c": {}}[stopping]
    interrupting = (ctrl_c_until_raised(after=shorts_done) if stopping == "ctrl-c"
                    else contextlib.nullcontext())
    with interrupting, pytest.raises(KeyboardInterrupt if stopping == "ctrl-c"
                                     else vantorb.Cancelled) as stopped:
        vantorb.sweep(multiplication, tuples, limit=FOREVER_LIMIT, engine="event",
                      on_result=seen, **one_per_batch(on), **options)
    if "client" in on:
        assert_workers_idle(on["client"])
    results = stopped.value.results
    assert results[:4] == one_after_another(multiplication, short, FOREVER_LIMIT, "event")
    # Cut short, or never started: a Dask batch may still be queued when the
    # cancel comes; threads have taken the next tuples by then.
    cut = {getattr(result, "status", None) for result in results[4:7]}
    assert cut <= {"stopped", None} and ("stopped" in cut or "client" in on)
    assert results[7:] == [None] * 4
    told = results.index(None)
    assert seen.results == results[:told]
    if stopping != "ctrl-c":
        reason = ("was cancelled" if stopping == "cancel"
                  else "took longer than its timeout of 2 seconds")
        assert str(stopped.value) == f"The computation {reason} (4 of 11 runs done)"


def test_on_result_sees_each_result_in_order_and_what_it_raises_ends_the_sweep(
        multiplication, on):
    expected = one_after_another(multiplication, GRID, SHORT_LIMIT)
    seen = []
    assert vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, on_result=seen.append,
                         **on) == seen == expected

    class Full(Exception):
        pass

    def save(result):
        if len(saved) == 5:
            raise Full
        saved.append(result)
    saved = []
    with pytest.raises(Full) as failed:
        vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, on_result=save,
                      **one_per_batch(on))
    assert saved == expected[:5]
    results = failed.value.results
    assert results[:6] == expected[:6]
    # The runs going on when it raised are cut short.
    assert all(result in (None, expected[k]) or result.status == "stopped"
               for k, result in enumerate(results))


class Bar:
    """What sweep uses of a tqdm bar."""

    def __init__(self):
        self.total, self.counts, self.closed = None, [], False

    def update(self, count):
        self.counts.append(count)

    def close(self):
        self.closed = True


@pytest.mark.parametrize("kind", ["callable", "bar", "tqdm", "line"])
def test_progress_counts_every_run(multiplication, on, kind, capsys, monkeypatch):
    calls, bar = [], Bar()
    if kind == "line":
        monkeypatch.setitem(sys.modules, "tqdm", None)  # import tqdm fails
    elif kind == "tqdm":
        pytest.importorskip("tqdm")
    progress = {"callable": lambda done, total: calls.append((done, total)), "bar": bar,
                "tqdm": True, "line": True}[kind]
    vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, progress=progress, **on)
    err = capsys.readouterr().err
    if kind == "callable":
        assert calls[-1] == (30, 30)
        assert [done for done, _ in calls] == sorted({done for done, _ in calls})
    elif kind == "bar":
        assert (bar.total, sum(bar.counts), bar.closed) == (30, 30, False)
    elif kind == "tqdm":
        assert "sweep: 100%" in err and "30/30" in err
    else:
        assert err.endswith("sweep: 30/30 runs\n")


def cli_sweep(cli, file, ranges, limit):
    """The tool's status and CSV rows for the sweep."""
    status, out, err = cli("sweep", file, *ranges, "--limit", limit, "--jobs", 2)
    if "unknown command" in err:
        pytest.skip(f"this vantorb-cli has no sweep command: {err.strip()}")
    return status, list(csv.reader(io.StringIO(out)))


def test_a_sweep_s_table_is_the_tool_s_csv(multiplication, on, cli):
    pytest.importorskip("pandas")
    frame = vantorb.sweep(multiplication, GRID, limit=SHORT_LIMIT, **on).to_frame()
    status, rows = cli_sweep(cli, MULTIPLICATION, ["0..5", "0..4"], SHORT_LIMIT)
    assert status == 3  # the limit stopped some runs
    assert list(csv.reader(io.StringIO(frame.to_csv(index=False)))) == rows
    assert frame["result"].dtype == object and None in frame["result"].tolist()


def test_a_stopped_sweep_s_table_has_the_rows_the_tool_writes():
    pandas = pytest.importorskip("pandas")
    results = [vantorb.compile(FOREVER).run(1, limit=10), None,
               vantorb.RunResult((2,), None, 7, False)]
    expected = pandas.DataFrame({"x1": [1, 2], "result": [None, None], "iterations": [10, 7],
                                 "status": ["limit", "stopped"]}, index=[0, 2])
    pandas.testing.assert_frame_equal(vantorb.SweepResults(results).to_frame(),
                                      expected.astype({"result": object}))


THREAD_LIMIT_SCRIPT = """
import os, resource, vantorb
program = vantorb.compile("f S")
program.run(1, limit=10)
threads = len(os.listdir("/proc/self/task"))
# Room for a few thread stacks only: the sweep's later workers cannot start.
size = next(int(line.split()[1]) for line in open("/proc/self/status")
            if line.startswith("VmSize:")) * 1024
resource.setrlimit(resource.RLIMIT_AS, (size + 40 * 2**20, resource.RLIM_INFINITY))
try:
    vantorb.sweep(program, [(k,) for k in range(200)], limit=100, workers=64)
except vantorb.Error as error:
    print(error)
    print(error.results.count(None), len(os.listdir("/proc/self/task")) - threads)
"""


def test_workers_that_cannot_start_end_the_sweep_leaving_no_thread():
    done = subprocess.run([sys.executable, "-c", THREAD_LIMIT_SCRIPT], capture_output=True,
                          text=True, timeout=600)
    message, counts = done.stdout.splitlines()
    assert message.startswith("The worker threads could not be started: ")
    assert " of 64 were (" in message
    assert counts == "200 0"  # no row, no thread left


# Dask's own failures: workers lost, none at all. These come last, as they
# leave the module's cluster with workers it has restarted.

@pytest.mark.long  # Dask restarts the workers it lost, some seconds each
@pytest.mark.parametrize("killed", ["one", "all"])
def test_a_sweep_finishes_once_its_killed_workers_are_back(dask_client, killed):
    import dask

    forever = vantorb.compile(FOREVER)
    tuples = [(k,) for k in range(4)]
    dask_client.wait_for_workers(2, timeout=120)
    pids = list(dask_client.run(os.getpid).values())

    def kill(result):
        if kill.pids:
            for pid in kill.pids:
                os.kill(pid, signal.SIGKILL)
            kill.pids = []
    kill.pids = pids[:1] if killed == "one" else pids

    # A LocalCluster closes for good, 15 s after a worker's loss, the worker
    # of that name if it is not back just then: a later kill of the test's
    # may fall on that moment.
    with dask.config.set({"distributed.deploy.lost-worker-timeout": "1h"}):
        swept = vantorb.sweep(forever, tuples, limit=KILLED_LIMIT, engine="event",
                              batch_size=1, client=dask_client, on_result=kill, timeout=120)
    assert not kill.pids
    assert swept == one_after_another(forever, tuples, KILLED_LIMIT, "event")


@pytest.mark.long
def test_a_sweep_whose_workers_keep_dying_says_it_cannot_go_on():
    distributed = pytest.importorskip("distributed", reason="dask.distributed is not installed")
    import dask

    forever = vantorb.compile(FOREVER)
    with dask.config.set({"distributed.scheduler.allowed-failures": 0}), \
            distributed.LocalCluster(n_workers=1, processes=True, threads_per_worker=1,
                                     dashboard_address=":0") as cluster, \
            distributed.Client(cluster) as client:
        pid, = client.run(os.getpid).values()

        def kill(result):
            os.kill(pid, signal.SIGKILL)

        with pytest.raises(vantorb.Error, match="^The sweep cannot go on: ") as lost:
            vantorb.sweep(forever, [(k,) for k in range(4)], limit=KILLED_LIMIT, engine="event",
                          batch_size=1, client=client, on_result=kill, timeout=120)
    results = lost.value.results
    assert results[0] == forever.run(0, limit=KILLED_LIMIT, engine="event")
    assert results[1] is None


@pytest.mark.parametrize("stopping", ["timeout", "cancel"])
def test_a_cluster_without_workers_is_waited_for_no_longer_than_asked(stopping):
    distributed = pytest.importorskip("distributed", reason="dask.distributed is not installed")
    cancel = threading.Event()
    options = {"timeout": 0.5} if stopping == "timeout" else {"cancel": cancel}
    with distributed.LocalCluster(n_workers=0, processes=True, dashboard_address=":0") as cluster, \
            distributed.Client(cluster) as client:
        timer = threading.Timer(0.5, cancel.set)
        timer.start()
        with pytest.raises(vantorb.Cancelled) as stopped:
            vantorb.sweep(vantorb.compile("f S"), range(3), limit=10, client=client, **options)
        timer.cancel()
    reason = "took longer than its timeout of 0.5 seconds" if stopping == "timeout" else (
        "was cancelled")
    assert str(stopped.value) == f"The computation {reason} (0 of 3 runs done)"
    assert stopped.value.results == [None] * 3


def test_the_guide_s_dask_example_runs_as_a_script(multiplication, tmp_path):
    pytest.importorskip("distributed", reason="dask.distributed is not installed")
    example, = [block for block in doc_examples.blocks(ROOT / "docs" / "python.md", "python")
                if "LocalCluster" in block]
    (tmp_path / "examples").symlink_to(EXAMPLES)
    (tmp_path / "dask_example.py").write_text(example)
    # The package where this one was found, for the script and its workers.
    package = os.path.dirname(os.path.dirname(os.path.abspath(vantorb.__file__)))
    path = os.pathsep.join(filter(None, [package, os.environ.get("PYTHONPATH")]))
    done = subprocess.run([sys.executable, "dask_example.py"], capture_output=True, text=True,
                          cwd=tmp_path, env={**os.environ, "PYTHONPATH": path}, timeout=600)
    assert done.stdout.splitlines() == [repr(multiplication.run(1, 1, limit=1_000_000))], (
        done.stderr)
