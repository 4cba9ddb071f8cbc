"""The module's values: run results, programs that travel by pickle, exact
weights and the equation files a program writes and reads as text."""

import decimal
import pickle
import re
import subprocess
import sys

import pytest

import vantorb
from conftest import EXAMPLES

LIMIT = 200000
FOREVER = "f M(C(U(2,2), S))"
NO_RESULT = "XEout(i+1)=sigma(1.0*Ein(i)+0)\r\n"
# One synapse: a weight that a float would take for another number, and a
# bias written with its trailing zero.
TERM = re.compile(r"(\S+)\*(\S+)\(i\)")


def cli_fields(text):
    return dict(line.split(": ", 1) for line in text.splitlines())


# (how the program is made, arguments, limit); the tool is given the same
# file and tells the same result or read-out at the limit.
@pytest.mark.parametrize("arguments,limit,finished", [
    ((3, 2), LIMIT, True),
    (("3", "2"), 0, True),
    ((3, 2), 50, False),
    ((9, 9), 700, False),
])
def test_a_result_is_none_unless_the_run_finished(cli, arguments, limit, finished):
    path = EXAMPLES / "multiplication.prv"
    outcome = vantorb.compile_file(path).run(*arguments, limit=limit)
    status, out, _ = cli("run", path, *arguments, "--limit", limit)
    tool = cli_fields(out)
    assert outcome.arguments == tuple(int(a) for a in arguments)
    assert (outcome.iterations, outcome.stopped_by_limit) == (int(tool["iterations"]),
                                                              not finished)
    if finished:
        assert (status, outcome.result, outcome.partial_result) == (0, int(tool["result"]), None)
    else:
        # The tool says there is no result; a trace to the same limit reads
        # the result neuron as the run's partial result does.
        assert (status, tool["result"], outcome.result) == (3, "none", None)
        with vantorb.compile_file(path).trace(*arguments, token="Eres", limit=limit) as trace:
            for _ in trace:
                pass
            assert (outcome.partial_result, None) == (trace.partial_result, trace.result)


def test_a_network_without_a_result_neuron_has_no_read_out_at_the_limit():
    outcome = vantorb.load_equations_text(NO_RESULT).run(limit=1)
    assert (outcome.result, outcome.partial_result, outcome.stopped_by_limit) == (None, None, True)


FIELDS = dict(arguments=(7, 8), result=56, iterations=677, stopped_by_limit=False,
              partial_result=None)


@pytest.mark.parametrize("field,other", [
    ("arguments", (8, 7)),
    ("result", None),
    ("iterations", 676),
    ("stopped_by_limit", True),
    ("partial_result", 56),
])
def test_run_results_compare_by_every_field(field, other):
    made = vantorb.RunResult(**FIELDS)
    assert made == vantorb.RunResult(**FIELDS) and hash(made) == hash(vantorb.RunResult(**FIELDS))
    changed = vantorb.RunResult(**{**FIELDS, field: other})
    assert made != changed and not made == changed
    assert getattr(changed, field) == other


def test_run_results_pickle_and_show_every_field():
    outcome = vantorb.compile_file(EXAMPLES / "multiplication.prv").run(7, 8, limit=LIMIT)
    assert outcome == vantorb.RunResult(**{**FIELDS, "iterations": outcome.iterations})
    assert pickle.loads(pickle.dumps(outcome)) == outcome
    assert repr(outcome) == ("RunResult(arguments=(7, 8), result=56, "
                             f"iterations={outcome.iterations}, stopped_by_limit=False, "
                             "partial_result=None)")
    assert vantorb.RunResult([1], None, 3, True) == vantorb.RunResult((1,), None, 3, True, None)
    assert outcome != (7, 8)


@pytest.mark.parametrize("fields, status", [
    (FIELDS, "done"),
    ({**FIELDS, "result": None, "stopped_by_limit": True, "partial_result": 5}, "limit"),
    ({**FIELDS, "result": None}, "stopped"),
])
def test_run_results_give_their_fields_as_a_tuple_and_a_dict_that_make_them_again(fields,
                                                                                 status):
    made = vantorb.RunResult(**fields)
    assert list(made.as_dict().items()) == list(fields.items())
    assert made.as_tuple() == tuple(fields.values())
    assert vantorb.RunResult(*made.as_tuple()) == made == vantorb.RunResult(**made.as_dict())
    assert made.status == status


@pytest.mark.parametrize("fields", [
    {**FIELDS, "result": True},
    {**FIELDS, "result": "56"},
    {**FIELDS, "partial_result": 1.0},
    {**FIELDS, "arguments": ("7", 8)},
    {**FIELDS, "iterations": "677"},
])
def test_run_results_refuse_fields_of_other_types(fields):
    with pytest.raises(TypeError):
        vantorb.RunResult(**fields)


# What another interpreter prints of a Program it unpickles from standard
# input, where no file of it exists any more.
UNPICKLE = """
import pickle, sys, vantorb
program = pickle.load(sys.stdin.buffer)
outcome = program.run(*eval(sys.argv[1]), limit=200000)
print(repr((program.name, program.kind, program.text, repr(program), program.info,
            program.equations(), outcome)))
"""


def made_from_files(tmp_path, load):
    """A Program made by load from copies of the example and of its
    equation file, which are then deleted."""
    source = tmp_path / "multiplication.prv"
    source.write_bytes((EXAMPLES / "multiplication.prv").read_bytes())
    equations = tmp_path / "mul.EQU"
    vantorb.compile_file(source).write_equations(equations)
    program = load(source, equations)
    source.unlink()
    equations.unlink()
    return program


@pytest.mark.parametrize("load,kind", [
    (lambda source, equations: vantorb.compile_file(source), "program"),
    (lambda source, equations: vantorb.compile_file(equations), "equations"),
    (lambda source, equations: vantorb.load_equations(equations), "equations"),
    (lambda source, equations: vantorb.compile(source.read_text(), name="m.prv"), "program"),
    (lambda source, equations: vantorb.load_equations_text(equations.read_bytes()), "equations"),
], ids=["compile_file", "compile_file_equ", "load_equations", "compile", "load_equations_text"])
def test_a_program_pickled_runs_alike_in_another_process(tmp_path, load, kind):
    program = made_from_files(tmp_path, load)
    assert program.kind == kind
    done = subprocess.run([sys.executable, "-c", UNPICKLE, "(6, 7)"],
                          input=pickle.dumps(program), capture_output=True, timeout=600)
    assert done.returncode == 0, done.stderr
    there = eval(done.stdout, {"RunResult": vantorb.RunResult})
    here = (program.name, kind, program.text, repr(program), program.info, program.equations(),
            program.run(6, 7, limit=LIMIT))
    assert there == here
    assert here[-1].result == 42


def test_a_program_keeps_the_file_name_it_was_made_from(tmp_path):
    equations = tmp_path / "Mul.EQU"
    vantorb.compile_file(EXAMPLES / "multiplication.prv").write_equations(equations)
    for program in (vantorb.compile_file(equations), vantorb.load_equations(equations)):
        assert (program.name, program.info["file"]) == (str(equations), "Mul.EQU")
        assert repr(program) == "<vantorb.Program UserNet from Mul.EQU>"
        assert program.text == equations.read_bytes().decode()
    named = vantorb.load_equations_text(equations.read_bytes().decode())
    assert (named.name, named.info["file"]) == ("UserNet.EQU", "UserNet.EQU")


def test_unpickling_refuses_a_state_that_is_not_a_programs():
    program = vantorb.compile("f S")
    assert program.__getstate__() == (b"f S", b"program.prv", "program")
    for bad in [(b"f S", b"program.prv", "other"), (b"f S",), (b"f S", b"p.prv", 1)]:
        made = vantorb.Program.__new__(vantorb.Program)
        with pytest.raises(ValueError):
            made.__setstate__(bad)


@pytest.mark.parametrize("example", ["addition.prv", "multiplication.prv", "factorial.prv"])
def test_weights_are_the_exact_decimals_of_the_equation_file(example):
    program = vantorb.compile_file(EXAMPLES / example)
    weights = program.weights()
    expected_synapses, expected_biases = [], {}
    for line in program.equations():
        name, rest = line.split("(i+1) = sigma( ", 1)
        *terms, bias = rest.removesuffix(" )").split(" + ")
        expected_biases[name] = bias
        expected_synapses += [(name, source, text)
                              for text, source in (TERM.fullmatch(t).groups() for t in terms)]
    assert [(t, s, str(w)) for t, s, w in weights["synapses"]] == expected_synapses
    assert {n: str(b) for n, b in weights["biases"].items()} == expected_biases
    assert all(isinstance(w, decimal.Decimal) for _, _, w in weights["synapses"])
    # A weight a float would hold only nearly.
    assert decimal.Decimal("0.10") in {w for _, _, w in weights["synapses"]}


@pytest.mark.parametrize("file", ["addition.prv", "factorial.prv", "loaded.EQU"])
def test_write_equations_writes_the_tools_file_byte_for_byte(cli, tmp_path, file):
    source = EXAMPLES / file
    if file.endswith(".EQU"):
        source = tmp_path / file
        assert cli("equations", EXAMPLES / "multiplication.prv", "-o", source)[0] == 0
    mine, tools = tmp_path / "mine.EQU", tmp_path / "tools.EQU"
    mine.write_text("an older file that the new one replaces")
    vantorb.compile_file(source).write_equations(mine)
    assert cli("equations", source, "-o", tools)[0] == 0
    assert mine.read_bytes() == tools.read_bytes()
    assert mine.read_bytes().endswith(b" )\r\n")


def test_write_equations_reports_what_it_cannot_write(tmp_path):
    program = vantorb.compile("f S")
    with pytest.raises(vantorb.Error, match="^Cannot write the file .*missing/f.EQU"):
        program.write_equations(tmp_path / "missing" / "f.EQU")


def test_equations_given_as_text_load_as_their_file(tmp_path):
    path = tmp_path / "mul.EQU"
    vantorb.compile_file(EXAMPLES / "multiplication.prv").write_equations(path)
    from_file = vantorb.load_equations(path)
    from_text = vantorb.load_equations_text(path.read_bytes().decode(), name="mul.EQU")
    assert from_text.info == from_file.info
    assert from_text.equations() == from_file.equations()
    assert from_text.run(4, 5, limit=LIMIT) == from_file.run(4, 5, limit=LIMIT)


@pytest.mark.parametrize("text,message,line", [
    ("A(i+1)=sigma(0)\r\nB(i+1)=sigma(x*A(i)+0)\r\n", "'x' is not a valid floating point value",
     2),
    ("f S\n", " Syntax error at line 1", 1),
])
def test_equations_given_as_text_fail_as_their_file(tmp_path, text, message, line):
    path = tmp_path / "bad.equ"
    path.write_bytes(text.encode())
    errors = []
    for load in (lambda: vantorb.load_equations(path), lambda: vantorb.load_equations_text(text)):
        with pytest.raises(vantorb.CompileError) as raised:
            load()
        errors.append((str(raised.value), raised.value.line))
    assert errors[0] == errors[1]
    assert errors[0][0].startswith(message) and errors[0][1] == line


def test_the_version_is_the_tools(cli):
    status, out, _ = cli("--version")
    assert status == 0
    assert out.split() == ["vantorb-cli", vantorb.__version__]


def described(value):
    """Whether value's docstring says something beyond the signature pybind11
    writes on its first line."""
    doc = getattr(value, "__doc__", None) or ""
    lines = [line for line in doc.splitlines()
             if line.strip() and not re.fullmatch(r"\w+\(.*\)( -> .*)?", line.strip())]
    return bool(lines)


def test_every_class_method_and_function_has_a_docstring():
    from vantorb import _vantorb
    undocumented = []
    for name, value in vars(_vantorb).items():
        if name.startswith("__"):
            continue
        if not described(value):
            undocumented.append(name)
        if isinstance(value, type) and not issubclass(value, BaseException):
            for member, attribute in vars(value).items():
                if member.startswith("_") and member not in ("__enter__", "__exit__",
                                                             "__init__", "__next__"):
                    continue
                if not described(attribute):
                    undocumented.append(f"{name}.{member}")
    assert undocumented == []
