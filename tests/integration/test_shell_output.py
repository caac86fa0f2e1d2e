"""Standard output that cannot be written ends `velko shell`, saying why on standard error."""

import os
import signal
import subprocess

from conftest import TIMEOUT, VELKO

OUTPUT_FAILED = 4


def run_shell(stdout, ignore_sigpipe=False):
    def ignore():
        signal.signal(signal.SIGPIPE, signal.SIG_IGN)

    return subprocess.Popen([VELKO, "shell", "--json"], stdin=subprocess.PIPE, stdout=stdout,
                            stderr=subprocess.PIPE,
                            preexec_fn=ignore if ignore_sigpipe else None)


def test_a_full_device_ends_the_shell_with_the_reason():
    with open("/dev/full", "wb") as full:
        shell = run_shell(full)
        _, errors = shell.communicate(b"GetCurrentErrorMsg\nEventTest x\n", TIMEOUT)
    assert shell.returncode == OUTPUT_FAILED
    assert errors.decode().splitlines()[-1] == (
        "velko: cannot write to standard output: No space left on device")


def test_a_reader_that_has_gone_ends_the_shell_with_sigpipe_ignored():
    reader, writer = os.pipe()
    shell = run_shell(writer, ignore_sigpipe=True)
    os.close(writer)
    os.close(reader)
    try:
        # Lines keep coming, as from `yes`; the shell must stop on its own.
        for _ in range(1000):
            shell.stdin.write(b"GetCurrentErrorMsg\n")
        shell.stdin.flush()
    except BrokenPipeError:
        pass
    assert shell.wait(TIMEOUT) == OUTPUT_FAILED
    # The reason is the C library's: "Broken pipe", or "Invalid argument" under Wine.
    assert shell.stderr.read().decode().splitlines()[-1].startswith(
        "velko: cannot write to standard output: ")
    shell.stdin.close()
    shell.stderr.close()
