"""Where the tests find vantorb-cli and the examples (set by CTest), and a
way to run the tool."""

import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = pathlib.Path(os.environ.get("VANTORB_EXAMPLES_DIR", ROOT / "examples"))


@pytest.fixture(scope="session")
def cli():
    """Runs vantorb-cli with the arguments; gives (status, stdout, stderr)."""
    tool = os.environ.get("VANTORB_CLI")
    if not tool:
        pytest.skip("VANTORB_CLI names no vantorb-cli to compare with")

    def run(*arguments):
        done = subprocess.run([tool, *map(str, arguments)], capture_output=True, text=True,
                              timeout=600)
        return done.returncode, done.stdout, done.stderr

    return run
