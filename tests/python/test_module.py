"""The vantorb module against vantorb-cli: the same results, iterations,
messages and trace values, and what only the module does (threads,
Ctrl-C, flat memory of a trace)."""

import contextlib
import csv
import decimal
import gc
import inspect
import io
import pydoc
import subprocess
import sys
import threading
import tracemalloc
import typing

import pytest

import vantorb
from conftest import EXAMPLES, ctrl_c_until_raised

LIMIT = 200000
# Small arguments each example finishes with quickly.
ARGUMENTS = [(3, 2), (2, 0), (0, 4)]
# The search for a q with q + 1 = 0 never ends.
FOREVER = "f M(C(U(2,2), S))"


def cli_fields(text):
    return dict(line.split(": ", 1) for line in text.splitlines())


@pytest.mark.parametrize("example", sorted(p.name for p in EXAMPLES.glob("*.prv")))
def test_runs_agree_with_the_tool_on_every_example(cli, example):
    program = vantorb.compile_file(EXAMPLES / example)
    status, out, _ = cli("info", EXAMPLES / example)
    assert status == 0
    info = program.info
    assert {k: str(v) for k, v in info.items() if k != "arity"} == cli_fields(out)
    for arguments in ARGUMENTS:
        arguments = arguments[: info["arity"]]
        result = program.run(*arguments, limit=LIMIT)
        status, out, _ = cli("run", EXAMPLES / example, *arguments, "--limit", LIMIT)
        assert (status, result.stopped_by_limit) == (0, False)
        assert cli_fields(out) == {"result": str(result.result),
                                   "iterations": str(result.iterations)}
        assert program.eval(*arguments) == result.result


def test_equation_files_run_as_their_program(cli, tmp_path):
    program = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    equations = tmp_path / "mul.EQU"
    equations.write_text("".join(line + "\r\n" for line in program.equations()), newline="")
    loaded = vantorb.load_equations(equations)
    assert loaded.equations() == program.equations()
    assert loaded.graph() == cli("graph", equations)[1]
    result = loaded.run(3, 4, limit=LIMIT)
    assert cli_fields(cli("run", equations, 3, 4, "--limit", LIMIT)[1]) == {
        "result": "12", "iterations": str(result.iterations)}


@pytest.mark.parametrize("name,text,line", [
    ("comp.prv", "f S\ng C(S)", None),
    ("undefined.prv", "f S #target g", None),
    ("syntax.prv", "f S\ng R(S,\n", 2),
    ("bad.equ", "A(i+1)=sigma(0)\r\nB(i+1)=sigma(x*A(i)+0)\r\n", 2),
    ("missing.prv", None, None),
    ("missing.equ", None, None),
])
def test_errors_carry_the_tools_text_and_line(cli, tmp_path, name, text, line):
    path = tmp_path / name
    if text is not None:
        path.write_text(text)
    with pytest.raises(vantorb.CompileError) as raised:
        vantorb.compile_file(path)
    status, _, err = cli("info", path)
    assert status == 2
    assert str(raised.value) + "\n" == err
    assert raised.value.line == line
    if text is not None and not name.endswith(".equ"):
        with pytest.raises(vantorb.CompileError) as again:
            vantorb.compile(text, name=name)
        assert str(again.value) == str(raised.value)


def test_a_program_read_as_equations_names_its_line_once():
    with pytest.raises(vantorb.CompileError) as raised:
        vantorb.load_equations(EXAMPLES / "addition.prv")
    assert (str(raised.value), raised.value.line) == (" Syntax error at line 1", 1)


def test_runs_keep_values_as_runs_past_what_digits_could_hold():
    # The codes of the arguments and the result have 10**9 and 10**12
    # digits; the iteration counts are the closed forms 12 y + 7 and
    # 12 n**2 + 17 n + 8.
    addition = vantorb.compile_file(EXAMPLES / "addition.prv")
    run = addition.run(10**9, 10**9, limit=10**11)
    assert (run.result, run.iterations) == (2 * 10**9, 12 * 10**9 + 7)
    product = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    run = product.run(10**6, 10**6, limit=10**14)
    assert (run.result, run.iterations) == (10**12, 12 * 10**12 + 17 * 10**6 + 8)


# (command, arguments, options, whether the tool refuses the same arguments
# with the same text); whatever the type of a wrong value.
@pytest.mark.parametrize("command,arguments,options,as_the_tool", [
    ("run", (1,), {}, True),
    ("run", (1, -2), {}, True),
    ("run", (1, "x"), {}, True),
    ("run", (1, 2.5), {}, True),
    ("run", (1, True), {}, True),
    ("run", (1, 10**5000), {}, False),
    ("run", (1, "9" * 5000), {}, False),
    ("run", (1, 10**12 + 1), {}, True),
    ("run", (1, 100000001), {"engine": "dense"}, False),
    ("trace", (1, 100000001), {"token": "*"}, False),
    ("eval", (1, 2**63), {}, True),
    ("run", (1, 2), {"limit": -1}, False),
    ("run", (1, 2), {"limit": 2**63}, False),
    ("run", (1, 2), {"limit": True}, False),
    ("run", (1, 2), {"limit": "5"}, False),
    ("run", (1, 2), {"limit": 5.0}, False),
    ("run", (1, 2), {"engine": "fast"}, False),
    ("run", (1, 2), {"engine": 5}, False),
    ("eval", (1, 2), {"bound": -1}, False),
    ("eval", (1, 2), {"bound": 2**64}, False),
    ("eval", (1, 2), {"bound": False}, False),
    ("trace", (1, 2), {"token": ""}, False),
    ("trace", (1, 2), {"token": 5}, False),
    ("trace", (1, 2), {"token": "*", "limit": 2**63}, False),
    ("run", (1, 2), {"timeout": 0}, False),
    ("run", (1, 2), {"timeout": -0.5}, False),
    ("run", (1, 2), {"timeout": -10**400}, False),
    ("run", (1, 2), {"timeout": float("nan")}, False),
    ("run", (1, 2), {"timeout": True}, False),
    ("run", (1, 2), {"timeout": "1"}, False),
    ("eval", (1, 2), {"timeout": 0.0}, False),
    ("run", (1, 2), {"cancel": object()}, False),
    ("run", (1, 2), {"cancel": 5}, False),
    ("eval", (1, 2), {"cancel": threading.Lock()}, False),
])
def test_arguments_are_refused_as_the_tool_refuses_them(cli, command, arguments, options,
                                                        as_the_tool):
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    with pytest.raises(vantorb.ArgumentError) as raised:
        getattr(program, command)(*arguments, **options)
    assert isinstance(raised.value, ValueError) and isinstance(raised.value, vantorb.Error)
    if as_the_tool:
        status, _, err = cli(command, EXAMPLES / "addition.prv", *arguments)
        assert status == 2
        assert err == str(raised.value) + "\n"


def test_text_that_is_not_utf8_is_read_as_bytes(tmp_path):
    latin1 = tmp_path / "latin1.prv"
    latin1.write_bytes(b"f S\ng \xe9\n")
    for load in (lambda: vantorb.compile(b"f S\ng \xe9\n"), lambda: vantorb.compile("f \udce9"),
                 lambda: vantorb.compile_file(latin1)):
        with pytest.raises(vantorb.CompileError, match=r"I dont know : \\x(e9|ed)"):
            load()
    assert vantorb.compile("f S", name=b"\xe9.prv").info["file"] == "\\xe9.prv"
    with pytest.raises(vantorb.CompileError,
                       match=r"^Cannot open file .*\\xe9\.prv: No such file or directory$"):
        vantorb.compile_file(bytes(tmp_path) + b"/\xe9.prv")
    equations = tmp_path / "latin1.equ"
    equations.write_bytes(b"\xe9Eout(i+1)=sigma(1.0*Ein(i)+0)\r\n")
    loaded = vantorb.load_equations(equations)
    assert loaded.equations()[0].startswith("\\xe9Eout(i+1)")
    assert loaded.weights()["outputs"] == ["\\xe9Eout"]
    assert "\\xe9Eout" in loaded.graph()
    assert list(next(loaded.trace(token="*", limit=LIMIT))[1]) == ["\\xe9Eout"]


@pytest.mark.parametrize("example,arguments,token", [
    ("addition.prv", (1, 2), "*"),
    ("factorial.prv", (3,), "res"),
])
def test_trace_values_are_the_decimals_of_the_tools_csv(cli, example, arguments, token):
    program = vantorb.compile_file(EXAMPLES / example)
    status, out, _ = cli("trace", EXAMPLES / example, *arguments, "--token", token, "--limit", LIMIT)
    assert status == 0
    header, *rows = csv.reader(io.StringIO(out))
    trace = program.trace(*arguments, token=token, limit=LIMIT)
    seen = 0
    for (iteration, values), row in zip(trace, rows, strict=True):
        assert all(isinstance(v, decimal.Decimal) for v in values.values())
        assert len(values) == len(header) - 1
        assert [str(iteration)] + [format(v, "f") for v in values.values()] == row
        seen += 1
    assert seen == len(rows) > 2
    assert trace.names == header[1:] == list(values)
    assert trace.result == program.run(*arguments, limit=LIMIT).result


# Limits past 32 bits, up to 2**63 - 1, are taken whole by the module and
# the tool; the values at the end are the same in both, the tool's
# run --values and the trace's last row.
@pytest.mark.parametrize("limit", [2**31, 2**32 + 5, 2**63 - 1])
def test_limits_take_sixty_four_bits(cli, limit):
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    outcome = program.run(1, 2, limit=limit)
    assert (outcome.result, outcome.stopped_by_limit) == (3, False)
    *_, (iteration, values) = program.trace(1, 2, token="*", limit=limit)
    assert iteration == outcome.iterations
    status, out, _ = cli("run", EXAMPLES / "addition.prv", 1, 2, "--limit", limit,
                         "--values", "*")
    assert status == 0
    lines = out.splitlines()
    assert lines[:2] == ["result: 3", f"iterations: {iteration}"]
    assert lines[2:] == [f"{name} = {format(value, 'f')}" for name, value in values.items()]


def test_a_long_trace_keeps_memory_flat():
    program = vantorb.compile(FOREVER)
    trace = program.trace(0, token="*", limit=20000)
    sizes = []
    tracemalloc.start()
    try:
        for iteration, values in trace:
            if iteration in (2000, 20000):
                gc.collect()
                sizes.append(tracemalloc.get_traced_memory()[0])
    finally:
        tracemalloc.stop()
    assert trace.stopped_by_limit and trace.iterations == 20000
    # 18000 rows kept would take megabytes.
    assert sizes[1] - sizes[0] < 100_000


def test_runs_in_two_threads_both_finish_and_agree():
    programs = [vantorb.compile_file(EXAMPLES / "multiplication.prv") for _ in range(2)]
    shared = programs[0]
    expected = shared.run(6, 5, limit=LIMIT)
    outcomes = []

    def work(program):
        outcomes.append(program.run(6, 5, limit=LIMIT))

    threads = [threading.Thread(target=work, args=(p,)) for p in programs + [shared]]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert [(o.result, o.iterations) for o in outcomes] == [(30, expected.iterations)] * 3


def test_a_run_in_the_thread_of_an_open_trace_is_refused():
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    trace = program.trace(1, 2, token="Eres", limit=LIMIT)
    next(trace)
    with pytest.raises(vantorb.Error, match="traced in this thread"):
        program.run(1, 2, limit=LIMIT)
    trace.close()
    assert program.run(1, 2, limit=LIMIT).result == 3


@pytest.mark.parametrize("compute", [
    lambda program: program.run(0, limit=2**63 - 1),
    lambda program: program.eval(0, bound=2**63 - 1),
], ids=["run", "eval"])
def test_ctrl_c_interrupts_a_long_computation(compute):
    program = vantorb.compile(FOREVER)
    with ctrl_c_until_raised():
        with pytest.raises(KeyboardInterrupt) as raised:
            compute(program)
    # Raised inside the computation, not once it had ended with an error of
    # its own (the evaluation's cap of steps).
    assert raised.value.__context__ is None
    # The interrupted computation let the network go.
    assert program.run(0, limit=50).stopped_by_limit


class Watched:
    """A threading.Event that tells when a computation has asked it twice,
    so a slice of the computation has gone by."""

    def __init__(self):
        self.event, self.asked, self.count = threading.Event(), threading.Event(), 0

    def is_set(self):
        self.count += 1
        if self.count >= 2:
            self.asked.set()
        return self.event.is_set()


# Computations that would take far longer than the test: the event engine
# goes one iteration at a time through the search that never ends.
COMPUTATIONS = [
    lambda program, **control: program.run(0, engine="event", limit=10**7, **control),
    lambda program, **control: program.eval(0, bound=2**63 - 1, **control),
]


@pytest.mark.parametrize("compute", COMPUTATIONS, ids=["run", "eval"])
def test_a_cancel_set_in_another_thread_stops_a_computation(compute):
    program = vantorb.compile(FOREVER)
    cancel = Watched()

    def set_once_asked():
        cancel.asked.wait(600)
        cancel.event.set()

    setter = threading.Thread(target=set_once_asked, daemon=True)
    setter.start()
    with pytest.raises(vantorb.Cancelled, match="^The computation was cancelled$"):
        compute(program, cancel=cancel)
    setter.join()
    assert program.run(0, limit=50).stopped_by_limit
    # Set before the start: nothing runs.
    with pytest.raises(vantorb.Cancelled):
        compute(program, cancel=cancel.event)


@pytest.mark.parametrize("compute", COMPUTATIONS, ids=["run", "eval"])
def test_a_timeout_stops_a_computation(compute):
    program = vantorb.compile(FOREVER)
    with pytest.raises(vantorb.Cancelled, match=r"timeout of 0\.2 seconds"):
        compute(program, timeout=0.2)
    assert isinstance(vantorb.Cancelled("x"), vantorb.Error)
    assert program.run(0, limit=50, timeout=10**400).stopped_by_limit


@contextlib.contextmanager
def held_elsewhere(program, safety=30):
    """The program held by a trace in another thread, until the block ends
    or `safety` seconds have gone by; gives the Event set just before the
    trace lets it go."""
    holding, leave, letting_go = threading.Event(), threading.Event(), threading.Event()

    def hold():
        trace = program.trace(0, token="Eout", limit=LIMIT)
        next(trace)
        holding.set()
        leave.wait(safety)
        letting_go.set()
        trace.close()

    holder = threading.Thread(target=hold, daemon=True)
    holder.start()
    holding.wait()
    try:
        yield letting_go
    finally:
        leave.set()
        holder.join()


@pytest.mark.parametrize("kind", ["timeout", "cancel"])
def test_waiting_for_a_busy_program_honours_timeout_and_cancel(kind):
    program = vantorb.compile(FOREVER)
    event = threading.Event()
    control = {"timeout": 0.3} if kind == "timeout" else {"cancel": event}
    with held_elsewhere(program) as letting_go:
        timer = threading.Timer(0.3, event.set)
        timer.start()
        with pytest.raises(vantorb.Cancelled):
            program.run(0, limit=50, **control)
        assert not letting_go.is_set()
        timer.join()
    assert program.run(0, limit=50, timeout=10).stopped_by_limit


def test_ctrl_c_interrupts_a_wait_for_a_busy_program():
    program = vantorb.compile(FOREVER)
    with held_elsewhere(program) as letting_go, ctrl_c_until_raised():
        with pytest.raises(KeyboardInterrupt):
            program.run(0, limit=50)
        # Raised while the other thread still held the program.
        assert not letting_go.is_set()


def test_a_trace_used_as_a_context_manager_is_closed_at_its_end():
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    with program.trace(1, 2, token="Eres", limit=LIMIT) as trace:
        assert next(trace)[0] == 1 and not trace.done
    assert trace.done
    # In the thread of an open trace this would be refused.
    assert program.run(1, 2, limit=LIMIT).result == 3
    with pytest.raises(ZeroDivisionError):
        with program.trace(1, 2, token="Eres", limit=LIMIT) as trace:
            1 / 0
    assert trace.done


def test_close_waits_for_the_step_another_thread_is_taking():
    # Wide: one iteration of the run takes a while, long enough for the
    # closing thread to come in while it goes on.
    width = 2000
    program = vantorb.compile(f"r R(U(1,{width - 1}), U(1,{width + 1}))")
    arguments = [1] * width
    for _ in range(3):
        trace = program.trace(*arguments, token="Eres", limit=LIMIT)
        first = threading.Event()
        rows = []

        def step():
            for row in trace:
                rows.append(row)
                first.set()

        stepper = threading.Thread(target=step)
        stepper.start()
        first.wait()
        trace.close()
        closed_at = trace.iterations
        # The network is free: a run on it is alone.
        assert program.run(*arguments, limit=LIMIT).result == 1
        stepper.join()
        assert trace.done and trace.iterations == closed_at == rows[-1][0]


def test_threads_sharing_a_trace_share_out_its_rows():
    program = vantorb.compile_file(EXAMPLES / "multiplication.prv")
    expected = program.run(20, 20, limit=LIMIT)
    trace = program.trace(20, 20, token="Eres", limit=LIMIT)
    together = threading.Barrier(2)
    seen = [[], []]

    def take(mine):
        together.wait()
        mine.extend(iteration for iteration, _ in trace)

    threads = [threading.Thread(target=take, args=(mine,)) for mine in seen]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    # The first row is the iteration the start leaves.
    assert sorted(seen[0] + seen[1]) == list(range(1, expected.iterations + 1))
    assert (trace.result, trace.iterations) == (expected.result, expected.iterations)


def test_a_trace_that_fails_ends_and_lets_the_program_go(tmp_path):
    equations = tmp_path / "noresult.equ"
    equations.write_text("XEout(i+1)=sigma(1.0*Ein(i)+0)\r\n")
    program = vantorb.load_equations(equations)
    trace = program.trace(token="*", limit=LIMIT)
    with pytest.raises(vantorb.Error, match=r"no result neuron \(Eres\)"):
        for _ in trace:
            pass
    assert trace.done
    with pytest.raises(StopIteration):
        next(trace)
    assert program.run(limit=1).stopped_by_limit


# Daemon threads at work, each pair on one program (one of the two waits
# for the other), while the interpreter exits. They get the GIL while an
# exit handler sleeps, after the module's own exit work, and again while
# standard output is flushed, once the interpreter has begun to end the
# threads that ask for the GIL. Each work spends most of its time without
# the GIL.
EXIT_SCRIPT = """
import atexit, contextlib, sys, threading, time
atexit.register(time.sleep, 0.3)
import vantorb

class SlowToFlush:
    def __init__(self, stream):
        self.stream, self.write = stream, stream.write
    def flush(self, sleep=time.sleep):
        sleep(0.3)
        self.stream.flush()

sys.stdout = SlowToFlush(sys.stdout)
forever = vantorb.compile({forever!r})
wide = vantorb.compile("r R(U(1,1999), U(1,2001))")
busy = threading.Barrier(3)
def work():
    busy.wait()
    while True:
        {work}
for _ in range(2):
    threading.Thread(target=work, daemon=True).start()
busy.wait()
time.sleep(0.1)
print("exiting")
"""


@pytest.mark.parametrize("work", [
    "vantorb.compile('f S')",
    "forever.run(0, limit=0)",
    "with contextlib.suppress(vantorb.Error): forever.eval(0, bound=20000)",
    "for _ in wide.trace(*[1] * 2000, token='Eres', limit=0): pass",
], ids=["compile", "run", "eval", "trace"])
def test_daemon_threads_never_crash_the_interpreter_at_exit(work):
    script = EXIT_SCRIPT.format(forever=FOREVER, work=work)
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          timeout=600)
    assert (done.returncode, done.stdout) == (0, "exiting\n"), done.stderr


def test_nothing_the_module_offers_frees_what_compilations_use():
    script = ("import vantorb\n"
              "for name in dir(vantorb):\n"
              "    if name.startswith('_release'):\n"
              "        getattr(vantorb, name)()\n"
              "print(vantorb.compile('f S').run(1, limit=100).result)\n")
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          timeout=600)
    assert (done.returncode, done.stdout) == (0, "2\n"), done.stderr


def test_weights_rebuild_the_network_in_floats():
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    weights = program.weights()
    values = {name: 0.0 for name in weights["inputs"] + weights["neurons"]}
    values.update(Ein=1.0, Edata1=0.11, Edata2=0.111)
    for iteration, exact in program.trace(1, 2, token="*", limit=LIMIT):
        sums = {name: float(b) for name, b in weights["biases"].items()}
        for target, source, weight in weights["synapses"]:
            sums[target] += float(weight) * values[source]
        values = {name: 0.0 for name in weights["inputs"]}
        values.update({name: min(max(s, 0.0), 1.0) for name, s in sums.items()})
        assert all(abs(values[n] - float(v)) < 1e-9 for n, v in exact.items()), iteration



def test_a_trace_refuses_a_token_no_name_contains_as_the_tool_does(cli):
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    with pytest.raises(vantorb.ArgumentError) as raised:
        program.trace(1, 2, token="NOSUCH", limit=LIMIT)
    status, _, err = cli("trace", EXAMPLES / "addition.prv", 1, 2, "--token", "NOSUCH")
    assert status == 2
    assert err == str(raised.value) + "\n" == "No neuron name contains NOSUCH\n"
    # Refused before the program was taken: it is free.
    assert program.run(1, 2, limit=LIMIT).result == 3


# A trace ends as a run with the same limit does: a result only when the
# network answered, the read-out at the limit apart.
@pytest.mark.parametrize("limit", [LIMIT, 20, 0])
def test_a_traces_result_is_the_runs(limit):
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    run = program.run(3, 2, limit=limit)
    trace = program.trace(3, 2, token="Eres", limit=limit)
    for _ in trace:
        pass
    assert (trace.result, trace.partial_result, trace.stopped_by_limit, trace.iterations) == (
        run.result, run.partial_result, run.stopped_by_limit, run.iterations)
    if limit == 20:
        assert (trace.result, trace.partial_result) == (None, 0)


def public_callables():
    """Every function of the package and method of Program a user calls."""
    functions = [getattr(vantorb, name) for name in ("compile", "compile_file",
                                                    "load_equations", "load_equations_text",
                                                    "sweep")]
    methods = [getattr(vantorb.Program, name) for name in dir(vantorb.Program)
               if not name.startswith("_") and callable(getattr(vantorb.Program, name))]
    return functions + methods


def test_signatures_are_real_and_help_shows_types():
    for function in public_callables():
        signature = inspect.signature(function)
        for parameter in signature.parameters.values():
            if parameter.name != "self":
                assert parameter.annotation is not inspect.Parameter.empty, (function, parameter)
        assert signature.return_annotation is not inspect.Signature.empty, function
        assert len(function.__doc__.strip().splitlines()) > 1 or len(function.__doc__) < 80
        assert all(len(line) <= 80 for line in function.__doc__.splitlines()), function
    run = inspect.signature(vantorb.Program.run)
    assert list(run.parameters) == ["self", "arguments", "limit", "engine", "timeout", "cancel"]
    assert run.parameters["engine"].default == "macro"
    assert typing.get_args(run.parameters["engine"].annotation) == (
        "macro", "event", "dense", "reference")
    assert inspect.signature(vantorb.Program.eval).parameters["bound"].default == 1000000
    shown = pydoc.render_doc(vantorb.Program, renderer=pydoc.plaintext)
    assert ": object" not in shown
    assert "limit: int = 0" in shown


def test_a_star_import_keeps_pythons_compile():
    namespace = {}
    exec("from vantorb import *", namespace)
    assert "compile" not in namespace and namespace["compile_file"] is vantorb.compile_file
    assert all(hasattr(vantorb, name) for name in vantorb.__all__)
    assert vantorb.compile("f S").run(1, limit=LIMIT).result == 2


def test_a_file_that_cannot_be_read_says_why(cli, tmp_path):
    for path, reason in [(tmp_path / "missing.prv", "No such file or directory"),
                         (tmp_path, "Is a directory")]:
        with pytest.raises(vantorb.CompileError) as raised:
            vantorb.compile_file(path)
        assert str(raised.value) == f"Cannot open file {path}: {reason}"
        assert raised.value.line is None
        assert cli("info", path)[2] == str(raised.value) + "\n"
