"""`velko gateway` with a call log it cannot write: on a disk that fills up while calls arrive,
every call still reaches MQTT and is logged once the disk has room again; a file that is no call
log ends it at start and stays as it was; the log is created for its owner and group only."""

import errno
import json
import socket
import stat
import subprocess

import pytest
from conftest import VELKO, Deadline
from gateway_support import Subscriber, environment


def private_mounts_work():
    try:
        return subprocess.run(["unshare", "-m", "true"], capture_output=True,
                              timeout=10).returncode == 0
    except FileNotFoundError:
        return False


def statuses(messages):
    return [json.loads(payload) for topic, payload, _, _ in messages
            if topic == "velko/shop/status"]


@pytest.mark.skipif(not private_mounts_work(),
                    reason="needs unshare -m (root, or a user namespace) for a tmpfs of its own")
def test_every_call_reaches_mqtt_while_the_disk_is_full_and_the_log_once_it_has_room(
        tmp_path, broker, sims, gateways):
    folder = tmp_path / "small"
    folder.mkdir()
    manager = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    manager.bind(str(tmp_path / "notify"))
    manager.settimeout(Deadline().left())
    subscriber = Subscriber(broker.port, "velko/shop/#")
    sim = sims()
    # The gateway in a mount namespace of its own, its log on a tmpfs of 256 KiB that only it
    # sees; the test reaches that tmpfs through the gateway's root, /proc/PID/root.
    mount = ["unshare", "-m", "sh", "-c",
             'mount -t tmpfs -o size=256k velko-test "$0" && exec "$@"', str(folder)]
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(folder / "calls.db"),
                       "--line", "shop", "--mqtt", f"127.0.0.1:{broker.port}", prefix=mount,
                       env=environment(NOTIFY_SOCKET=str(tmp_path / "notify")))
    gateway.connected("terminal")
    gateway.connected("mqtt")
    seen = f"/proc/{gateway.proc.pid}/root{folder}"
    numbers = [f"02{index:08d}" for index in range(12)]
    sim.play(f"call {numbers[0]}")
    gateway.expect(event="delivered", output="mqtt", call=1)

    filler = f"{seen}/filler"
    with open(filler, "wb", buffering=0) as fill:
        try:
            while True:
                fill.write(b"\0" * 4096)
        except OSError as error:
            assert error.errno == errno.ENOSPC
    sim.play(*(f"call {number}" for number in numbers[1:]))
    failing = gateway.expect(event="log", state="failing")
    assert "full" in failing["reason"]
    subscriber.wait(lambda got: {json.loads(payload)["number"] for topic, payload, _, _ in got
                                 if topic == "velko/shop/call"} == set(numbers), 20)
    failing_status = {"gateway": "online", "terminal": "connected", "log": "failing",
                      "log_reason": failing["reason"]}
    subscriber.wait(lambda got: failing_status in statuses(got), 10)
    assert gateway.proc.poll() is None
    while (told := manager.recv(256)) in (b"READY=1",):
        pass
    assert told == f"STATUS=log failing: {failing['reason']}".encode()

    subprocess.run(["rm", filler], check=True)
    recovered = gateway.expect(40, event="log", state="recovered")
    assert recovered["calls"] >= 1
    assert manager.recv(256) == f"STATUS=log recovered: {recovered['calls']} calls written".encode()
    # Read in the gateway's mount namespace, where the tmpfs is.
    listed = subprocess.run(["nsenter", "-t", str(gateway.proc.pid), "-m", VELKO, "log",
                             "--calls", str(folder / "calls.db"), "--json"],
                            capture_output=True, timeout=10, check=True)
    logged = [json.loads(line) for line in reversed(listed.stdout.decode().splitlines())]
    assert [call["number"] for call in logged] == numbers
    assert [call["id"] for call in logged] == list(range(1, len(numbers) + 1))
    assert all(call["deliveries"]["mqtt"] for call in logged), logged
    subscriber.wait(lambda got: statuses(got)[-1]["log"] == "ok", 10)
    assert gateway.stop()[0] == 0
    subscriber.close()


def test_a_file_that_is_no_call_log_ends_it_at_start_and_stays_as_it_was(tmp_path):
    calls = tmp_path / "calls.db"
    garbage = bytes(range(256)) * 20
    calls.write_bytes(garbage)
    done = subprocess.run([VELKO, "gateway", "--calls", str(calls)], capture_output=True,
                          timeout=10)
    assert done.returncode == 1
    assert f"velko gateway: the call log: {calls}: file is not a database".encode() in (
        done.stderr)
    assert calls.read_bytes() == garbage
    assert sorted(path.name for path in tmp_path.iterdir()) == ["calls.db"]


def test_the_log_and_its_folder_are_for_owner_and_group_only_whatever_the_umask(
        tmp_path, sims, gateways):
    sim = sims()
    calls = tmp_path / "state" / "velko" / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls),
                       prefix=("sh", "-c", 'umask 0 && exec "$@"', "sh"))
    gateway.connected("terminal")
    sim.play("call 0212345678")
    gateway.expect(event="call")
    modes = {path.name: stat.S_IMODE(path.stat().st_mode)
             for path in (calls.parent.parent, calls.parent, calls,
                          calls.with_name("calls.db-wal"), calls.with_name("calls.db-shm"))}
    assert modes == {"state": 0o750, "velko": 0o750, "calls.db": 0o640, "calls.db-wal": 0o640,
                     "calls.db-shm": 0o640}
    assert gateway.stop()[0] == 0
