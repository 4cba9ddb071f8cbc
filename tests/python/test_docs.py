"""Every example of README.md and docs/*.md runs as printed (the rules are
doc_examples'): each console session with the build's vantorb-cli, each
page's python blocks with its module, each program through the compiler.
They run in a scratch folder that links to examples/, as a reader's
commands run from the project's root."""

import os
import pathlib
import subprocess

import pytest

import doc_examples
from conftest import EXAMPLES


def pages_with(kind):
    return [pytest.param(page, id=page.name) for page in doc_examples.PAGES
            if doc_examples.blocks(page, kind)]


@pytest.fixture
def scratch(tmp_path, monkeypatch):
    (tmp_path / "examples").symlink_to(EXAMPLES)
    monkeypatch.chdir(tmp_path)
    return tmp_path


@pytest.fixture(scope="session")
def shell_env():
    """The environment of a reader's shell, the build's vantorb-cli first on
    the PATH."""
    tool = os.environ.get("VANTORB_CLI")
    if not tool:
        pytest.skip("VANTORB_CLI names no vantorb-cli to run the examples with")
    folder = str(pathlib.Path(tool).resolve().parent)
    return {**os.environ, "PATH": os.pathsep.join([folder, os.environ.get("PATH", "")])}


@pytest.mark.parametrize("page", pages_with("console"))
def test_console_sessions_print_what_the_page_shows(page, scratch, shell_env):
    wrong = []
    for block in doc_examples.blocks(page, "console"):
        for command, lines in doc_examples.sessions(block):
            done = subprocess.run(["bash", "-c", command], capture_output=True, cwd=scratch,
                                  env=shell_env, timeout=600)
            # As a terminal shows it: what the command wrote, then its
            # messages; a carriage return moves nothing.
            got = (done.stdout + done.stderr).decode().replace("\r", "").rstrip("\n")
            if not doc_examples.matches("\n".join(lines), got):
                wrong.append(f"$ {command}\n--- the page shows:\n" + "\n".join(lines) +
                             f"\n--- it printed:\n{got}")
    assert not wrong, f"{page.name}:\n\n" + "\n\n".join(wrong)


@pytest.mark.parametrize("page", pages_with("python"))
def test_python_blocks_give_what_the_page_shows(page, scratch):
    namespace = {"__name__": page.stem}
    wrong = []
    for number, block in enumerate(doc_examples.blocks(page, "python"), 1):
        name = f"{page.name}, python block {number}"
        for line, shown, got in doc_examples.run_python(block, namespace, name):
            if not doc_examples.matches(shown, got):
                wrong.append(f"{name}, line {line}: the page shows {shown}, it gives {got}")
    assert not wrong, "\n".join(wrong)


@pytest.mark.parametrize("page", pages_with("prv"))
def test_programs_compile(page, scratch, shell_env):
    for number, block in enumerate(doc_examples.blocks(page, "prv"), 1):
        program = scratch / f"block-{number}.prv"
        program.write_text(block)
        done = subprocess.run(["vantorb-cli", "info", str(program)], capture_output=True,
                              text=True, env=shell_env, timeout=600)
        assert done.returncode == 0, f"{page.name}, program {number}: {done.stderr}"


@pytest.mark.parametrize("page", [pytest.param(page, id=page.name)
                                  for page in doc_examples.PAGES])
def test_links_lead_to_files_and_headings_that_are_there(page):
    broken = []
    for link in doc_examples.links(page):
        path, _, heading = link.partition("#")
        target = page.parent / path if path else page
        if not target.exists() or (heading and target.suffix == ".md" and
                                   heading not in doc_examples.anchors(target)):
            broken.append(link)
    assert not broken, f"{page.name} links to what is not there: {broken}"


def test_the_readme_is_a_front_page():
    # Read in two minutes: its first picture on the first screen, the rest
    # short, the details in docs/.
    lines = (doc_examples.ROOT / "README.md").read_text().splitlines()
    first_picture = next(n for n, line in enumerate(lines, 1) if "![" in line)
    assert first_picture <= 25 and len(lines) < 150, (first_picture, len(lines))


@pytest.mark.parametrize("shown, got, same", [
    ("result: 56\niterations: 816", "result: 56\niterations: 816", True),
    ("result: 56\niterations: 816", "result: 56\niterations: 817", False),
    ("result: 56\n...", "result: 56\niterations: 816\nwall time: 1 s", True),
    ("result: 56\n...", "result: 56", True),
    ("result: 56\n...\npeak: 1", "result: 56\na\nb\npeak: 1", True),
    ("result: 56\n...\npeak: 1", "result: 56\na\nb\npeak: 2", False),
    ("RunResult(result=56, ...)", "RunResult(result=56, iterations=816)", True),
    ("RunResult(result=56, ...)", "RunResult(result=57, iterations=816)", False),
    ("a.b", "axb", False),
    ("result: 56", "result: 56\nextra", False),
])
def test_an_example_s_output_matches_only_what_the_page_shows(shown, got, same):
    assert doc_examples.matches(shown, got) is same


def test_comments_show_the_values_of_expressions_and_what_print_prints():
    block = ("x = 6 * 7\n"
             "x   # 42\n"
             "{'a': 1,\n"
             " 'b': 2}   # {'a': 1,\n"
             "           #  'b': 2}\n"
             "print(x, 'x')   # 42 x\n"
             "x + 1\n")
    checked = doc_examples.run_python(block, {}, "block")
    assert checked == [(2, "42", "42"), (3, "{'a': 1, 'b': 2}", "{'a': 1, 'b': 2}"),
                       (6, "42 x", "42 x")]
