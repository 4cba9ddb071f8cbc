"""The vantorb module against vantorb-cli: the same results, iterations,
messages and trace values, and what only the module does (threads,
Ctrl-C, flat memory of a trace)."""

import csv
import decimal
import gc
import io
import signal
import threading
import tracemalloc

import pytest

import vantorb
from conftest import EXAMPLES

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


@pytest.mark.parametrize("arguments,options,cli_options", [
    ((1,), {}, []),
    ((1, -2), {}, []),
    ((1, "x"), {}, []),
    ((1, 2.5), {}, []),
    ((1, 2), {"limit": -1}, None),
    ((1, 2), {"limit": 2**31}, None),
    ((1, 2), {"engine": "fast"}, None),
])
def test_arguments_are_refused_as_the_tool_refuses_them(cli, arguments, options, cli_options):
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    with pytest.raises(vantorb.ArgumentError) as raised:
        program.run(*arguments, **options)
    assert isinstance(raised.value, ValueError) and isinstance(raised.value, vantorb.Error)
    if cli_options is not None:
        status, _, err = cli("run", EXAMPLES / "addition.prv", *arguments)
        assert status == 2
        assert err == str(raised.value) + "\n"


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
    assert trace.result == program.run(*arguments, limit=LIMIT).result


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


def test_ctrl_c_interrupts_a_long_run():
    program = vantorb.compile(FOREVER)
    stop = threading.Event()

    # Interrupts once, however many signals come: one may be on its way when
    # the sender is told to stop.
    def on_interrupt(signum, frame):
        if not stop.is_set():
            stop.set()
            raise KeyboardInterrupt

    def interrupt():
        while not stop.wait(0.2):
            signal.pthread_kill(threading.main_thread().ident, signal.SIGINT)

    previous = signal.signal(signal.SIGINT, on_interrupt)
    sender = threading.Thread(target=interrupt)
    sender.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            program.run(0, limit=2**31 - 1)
    finally:
        stop.set()
        sender.join()
        signal.signal(signal.SIGINT, previous)
    # The interrupted run let the network go.
    assert program.run(0, limit=50).stopped_by_limit


def test_weights_rebuild_the_network_in_floats():
    program = vantorb.compile_file(EXAMPLES / "addition.prv")
    weights = program.weights()
    values = {name: 0.0 for name in weights["inputs"] + weights["neurons"]}
    values.update(Ein=1.0, Edata1=0.11, Edata2=0.111)
    for iteration, exact in program.trace(1, 2, token="*", limit=LIMIT):
        sums = {name: float(b) for name, b in weights["biases"].items()}
        for target, source, weight in weights["synapses"]:
            sums[target] += weight * values[source]
        values = {name: 0.0 for name in weights["inputs"]}
        values.update({name: min(max(s, 0.0), 1.0) for name, s in sums.items()})
        assert all(abs(values[n] - float(v)) < 1e-9 for n, v in exact.items()), iteration
