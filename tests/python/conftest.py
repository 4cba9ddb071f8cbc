"""Where the tests find vantorb-cli and the examples (set by CTest), a
way to run the tool, and Ctrl-C sent to the tests' own process."""

import contextlib
import os
import pathlib
import signal
import subprocess
import threading

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = pathlib.Path(os.environ.get("VANTORB_EXAMPLES_DIR", ROOT / "examples"))


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "long: runs for long under the sanitizers; CTest's python_long_tests")


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


@contextlib.contextmanager
def ctrl_c_until_raised(after=None):
    """Sends the main thread SIGINT every 0.2 s (once the Event `after` is
    set, when given) until a KeyboardInterrupt has been raised once, however
    many signals come: one may be on its way when the sender is told to
    stop."""
    stop = threading.Event()

    def on_interrupt(signum, frame):
        if not stop.is_set():
            stop.set()
            raise KeyboardInterrupt

    def interrupt():
        while after is not None and not after.wait(0.1):
            if stop.is_set():
                return
        while not stop.wait(0.2):
            signal.pthread_kill(threading.main_thread().ident, signal.SIGINT)

    previous = signal.signal(signal.SIGINT, on_interrupt)
    sender = threading.Thread(target=interrupt)
    sender.start()
    try:
        yield
    finally:
        stop.set()
        sender.join()
        signal.signal(signal.SIGINT, previous)
