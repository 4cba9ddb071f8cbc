"""Files the module reads: what is no regular file is refused at once, in
the tool's words."""

import contextlib
import os
import subprocess

import pytest

import vantorb


@contextlib.contextmanager
def waiting_writer(pipe):
    """A writer waiting on the pipe, in a process of its own: a reader that
    waits for one reads an empty file instead of hanging the test, and one
    that refuses the pipe leaves it waiting until the end, when a reader held
    open lets it go."""
    env = {name: value for name, value in os.environ.items() if name != "LD_PRELOAD"}
    writer = subprocess.Popen(["sh", "-c", ': >"$1"', "sh", str(pipe)], env=env)
    try:
        yield
    finally:
        reader = os.open(pipe, os.O_RDONLY | os.O_NONBLOCK)
        try:
            writer.wait(timeout=60)
        finally:
            os.close(reader)


@pytest.mark.parametrize("kind", ["device", "pipe"])
@pytest.mark.parametrize("read", ["compile_file", "load_equations", "cli"])
def test_devices_and_pipes_are_refused_at_once(cli, tmp_path, kind, read):
    if kind == "device":
        path, writer = "/dev/zero", contextlib.nullcontext()
    else:
        path = tmp_path / "program.prv"
        os.mkfifo(path)
        writer = waiting_writer(path)
    message = f"Cannot open file {path}: it is a {kind}, not a regular file"
    with writer:
        if read == "cli":
            assert cli("info", path) == (2, "", message + "\n")
            return
        with pytest.raises(vantorb.CompileError) as raised:
            getattr(vantorb, read)(path)
    # An equation file's message may go on with its line.
    assert str(raised.value).startswith(message)
    if read == "compile_file":
        assert str(raised.value) == message
        assert raised.value.line is None
