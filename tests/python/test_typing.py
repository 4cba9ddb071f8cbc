"""The package's types: mypy --strict takes the package itself and code
that uses the whole API as the tests do, and refuses wrong calls, so the
stubs are checked against their use and cannot pass by saying nothing."""

import os
import pathlib
import subprocess
import sys
import textwrap

import pytest

import vantorb

PACKAGE = pathlib.Path(vantorb.__file__).parent
# pandas has no types of its own; everything else is checked strictly.
CONFIG = """\
[mypy]
strict = True
[mypy-pandas.*]
ignore_missing_imports = True
"""
USE = """\
import decimal
import pathlib
import threading

import vantorb

program: vantorb.Program = vantorb.compile_file(pathlib.Path("multiplication.prv"))
double = vantorb.compile("#define double C(U(1,1), U(1,1), add)", name="double.prv")
loaded = vantorb.load_equations_text(open("mul.EQU").read(), name="mul.EQU")
again = vantorb.load_equations("mul.EQU")
result = program.run(3, "4", limit=1000, engine="event", timeout=2.5,
                     cancel=threading.Event())
product: int | None = result.result
late: int | None = result.partial_result
numbers: tuple[int, ...] = result.arguments
steps: int = result.iterations + program.eval(3, 4, bound=10, timeout=1.0)
same: bool = result == vantorb.RunResult((3, 4), 12, steps, False, partial_result=None)
text: str = program.text + program.name + program.kind + program.graph() + vantorb.__version__
neurons: int = program.info["neurons"] + program.info["arity"]
lines: list[str] = program.equations()
weight: decimal.Decimal = program.weights()["synapses"][0][2] + program.weights()["biases"]["x"]
program.write_equations("out.EQU")
svg: str | None = program._repr_svg_()
with program.trace(1, 2, token="Eres", limit=100) as trace:
    columns: list[str] = trace.names
    for iteration, values in trace:
        value: decimal.Decimal = values[columns[0]]
    frame = trace.to_frame(floats=True)
ended: bool = trace.done and trace.stopped_by_limit
read_out: int | None = trace.partial_result
engines: list[vantorb.Engine] = ["macro", "event", "dense", "reference"]
results: vantorb.SweepResults[vantorb.RunResult] = vantorb.sweep(
    "multiplication.prv", [(x, 2) for x in range(4)], limit=100, engine="macro", workers=2,
    progress=True, timeout=5, cancel=threading.Event(), on_result=print)
table = results.to_frame()
status: str = results[0].status
fields: tuple[tuple[int, ...], int | None, int, bool, int | None] = results[0].as_tuple()
named: int = results[0].as_dict()["iterations"]
counted = vantorb.sweep(double, range(3), progress=lambda done, total: None)
try:
    vantorb.sweep(program, iter([(1, 2)]), limit=100)
except vantorb.CompileError as error:
    where: int | None = error.line
except (vantorb.ArgumentError, vantorb.Cancelled, vantorb.Error) as error:
    message: str = str(error)
    if error.results is not None:
        kept: list[vantorb.RunResult | None] = error.results
        partial = error.results.to_frame()
"""
WITH_DASK = """\
import distributed

import vantorb

def on(client: distributed.Client, program: vantorb.Program) -> list[vantorb.RunResult]:
    return vantorb.sweep(program, [(1, 2)], limit=100, client=client, batch_size=10)
"""
# Each a wrong use the stubs must refuse.
WRONG = [
    "vantorb.compile_file('a.prv').run(1.5)",
    "vantorb.compile_file('a.prv').run(1, limit='10')",
    "vantorb.sweep(vantorb.compile_file('a.prv'), 3)",
    "vantorb.sweep('a.prv', [[1, 2]])",
    "vantorb.sweep('a.prv', [(1, 2)], workers='2')",
    "vantorb.sweep('a.prv', [(1, 2)], cancel=True)",
    "vantorb.sweep('a.prv', [(1, 2)], on_result=3)",
    "vantorb.sweep('a.prv', [(1, 2)], progress='yes')",
    "vantorb.sweep('a.prv', [(1, 2)], batch_size='10')",
    "vantorb.sweep('a.prv', [(1, 2)])[0].status + 1",
    "vantorb.compile_file('a.prv').run(1).result + 1",
    "vantorb.compile_file(3)",
    "vantorb.compile_file('a.prv').trace(1, limit=10)",
    "vantorb.compile_file('a.prv').run(1, engine='fast')",
    "vantorb.sweep('a.prv', [(1, 2)], engine='fast')",
    "vantorb.compile_file('a.prv').trace(1, token='E').partial_result + 1",
]


def mypy(tmp_path, *targets):
    if subprocess.run([sys.executable, "-m", "mypy", "--version"],
                      capture_output=True).returncode != 0:
        pytest.skip("mypy is not installed (Debian: mypy)")
    config = tmp_path / "mypy.ini"
    config.write_text(CONFIG)
    environment = {**os.environ, "MYPYPATH": str(PACKAGE.parent)}
    return subprocess.run([sys.executable, "-m", "mypy", "--config-file", str(config),
                           "--cache-dir", str(tmp_path / "cache"), *map(str, targets)],
                          capture_output=True, text=True, env=environment, cwd=tmp_path,
                          timeout=600)


def test_mypy_takes_the_package_and_code_that_uses_its_whole_api(tmp_path):
    use = tmp_path / "use.py"
    use.write_text(USE)
    targets = [use, PACKAGE]
    try:
        import distributed  # noqa: F401
    except ImportError:
        pass  # the Dask client's type is then left unchecked
    else:
        (tmp_path / "with_dask.py").write_text(WITH_DASK)
        targets.insert(0, tmp_path / "with_dask.py")
    checked = mypy(tmp_path, *targets)
    assert checked.returncode == 0, checked.stdout + checked.stderr


def test_mypy_refuses_wrong_uses_of_the_api(tmp_path):
    for number, line in enumerate(WRONG):
        (tmp_path / f"wrong_{number}.py").write_text(f"import vantorb\n{line}\n")
    checked = mypy(tmp_path, *(f"wrong_{number}.py" for number in range(len(WRONG))))
    assert checked.returncode == 1
    refused = {line.split(":")[0] for line in checked.stdout.splitlines() if ": error:" in line}
    assert refused == {f"wrong_{number}.py" for number in range(len(WRONG))}, checked.stdout
