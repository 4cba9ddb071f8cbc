"""The examples of the project's pages (README.md and docs/*.md) as they
are printed, and what they are to give.

A fenced block's first word after the fence is its kind: "console" (a
terminal session: lines "$ COMMAND", each followed by what it prints),
"python" (code, with "EXPR   # VALUE" lines), "prv" (a program). In what
an example is to give, "..." stands for any text: a line "..." alone for
any lines, or none; "..." within a line for any text on that line."""

import ast
import functools
import io
import pathlib
import re
import tokenize
from contextlib import redirect_stdout

ROOT = pathlib.Path(__file__).resolve().parents[2]
PAGES = [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]

FENCE = re.compile(r"^```(\w*)[^\n]*\n(.*?)^```[ \t]*$", re.S | re.M)


def blocks(page, kind):
    """The text of every block of `kind` on the page, in order."""
    text = pathlib.Path(page).read_text()
    return [match.group(2) for match in FENCE.finditer(text) if match.group(1) == kind]


def sessions(block):
    """A console block's commands, each with the lines it prints."""
    commands = []
    for line in block.splitlines():
        if line.startswith("$ "):
            commands.append((line[2:], []))
        elif commands:
            commands[-1][1].append(line)
        elif line.strip():
            raise ValueError(f"a console block starts with output, not a command: {line!r}")
    return commands


LINK = re.compile(r"\]\(([^)\s]+)\)")


def links(page):
    """The targets of the page's links outside its code blocks."""
    text = FENCE.sub("", pathlib.Path(page).read_text())
    return [target for target in LINK.findall(text) if "://" not in target]


def anchors(page):
    """The anchors of the page's headings, as GitHub makes them."""
    headings = re.findall(r"^#+ (.*)$", FENCE.sub("", pathlib.Path(page).read_text()), re.M)
    return {re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")
            for heading in headings}


def _line_matches(expected, actual):
    parts = (re.escape(part) for part in expected.split("..."))
    return re.fullmatch(".*".join(parts), actual) is not None


def matches(expected, actual):
    """Whether the text `actual` is what `expected` shows."""
    want, got = expected.split("\n"), actual.split("\n")

    @functools.cache
    def match(i, j):
        if i == len(want):
            return j == len(got)
        if want[i] == "...":
            return any(match(i + 1, k) for k in range(j, len(got) + 1))
        return j < len(got) and _line_matches(want[i], got[j]) and match(i + 1, j + 1)

    return match(0, 0)


def _comments(source):
    """Comment texts by the line they stand on; a comment alone on its line,
    its "#" under that of the comment on the line above, goes on with it."""
    found = {}
    head = None  # the line of the comment going on, its column, its last line
    for token in tokenize.generate_tokens(io.StringIO(source).readline):
        if token.type != tokenize.COMMENT:
            continue
        line, column = token.start
        text = token.string[1:].strip()
        alone = not token.line[:column].strip()
        if alone and head is not None and (line, column) == (head[2] + 1, head[1]):
            found[head[0]] += " " + text
            head = (head[0], column, line)
        else:
            found[line] = text
            head = (line, column, line)
    return found


def run_python(block, namespace, name):
    """Runs a python block statement by statement in `namespace`, and gives
    (line, shown, got) for each top-level expression with a comment on its
    last line: the comment shows its repr, or for a call of print what it
    prints."""
    comments = _comments(block)
    checked = []
    for statement in ast.parse(block, name).body:
        shown = comments.get(statement.end_lineno)
        if not isinstance(statement, ast.Expr) or shown is None:
            exec(compile(ast.Module([statement], []), name, "exec"), namespace)
            continue
        expression = compile(ast.Expression(statement.value), name, "eval")
        call = statement.value
        if isinstance(call, ast.Call) and isinstance(call.func, ast.Name) and call.func.id == "print":
            out = io.StringIO()
            with redirect_stdout(out):
                eval(expression, namespace)
            got = out.getvalue().rstrip("\n")
        else:
            got = repr(eval(expression, namespace))
        checked.append((statement.lineno, shown, got))
    return checked
