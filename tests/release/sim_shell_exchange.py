#!/usr/bin/python3
"""sim_shell_exchange.py: a short exchange between two runs of the velko that $VELKO names (the
installed /usr/bin/velko in ./run's release test): `velko sim` on a pseudo-terminal, and
`velko shell --json` opening it as COM1 and sending a command that the simulator acknowledges.
Exits with status 0 when the shell reports both calls as they should be."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "integration"))
from conftest import Deadline, Shell, Tool  # noqa: E402


def main():
    sim = Tool("sim")
    shell = None
    try:
        path = sim.read_line(Deadline())
        shell = Shell({1: path})
        opened = shell.call('OpenVelko COM1 ""')
        sent = shell.call("SendCmd 68 12-25 09:30")
        status = shell.finish()
        print(opened, sent, sep="\n")
        assert opened == {"call": "OpenVelko", "result": 0, "args": ["COM1", ""]}, opened
        assert sent == {"call": "SendCmd", "result": True, "args": [68, "1225", "0930"]}, sent
        assert status == 0, f"velko shell ended with status {status}"
    finally:
        for tool in (shell, sim):
            if tool:
                tool.kill()


if __name__ == "__main__":
    main()
