"""What the load scripts share: their command line's --velko, the tests' helpers for the velko
given, and what they measure of a process (its memory, its CPU time) and percentiles."""

import argparse
import os
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]


def argument_parser(doc):
    """A parser for a load script described by doc, with --velko (this build's by default)."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--velko", default=str(ROOT / "build" / "bin" / "velko"))
    return parser


def use_velko(velko):
    """Lets the tests' helpers (tests/integration) run this velko, and switches this script's
    threads often, so that the readers of the gateway's streams take what comes at once."""
    os.environ["VELKO"] = velko
    sys.path.insert(0, str(ROOT / "tests" / "integration"))
    sys.setswitchinterval(0.0005)


def memory(pid):
    """Resident and peak resident memory of the process, in MB."""
    fields = dict(line.split(":", 1) for line in Path(f"/proc/{pid}/status").read_text().splitlines())
    return int(fields["VmRSS"].split()[0]) / 1024, int(fields["VmHWM"].split()[0]) / 1024


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]
