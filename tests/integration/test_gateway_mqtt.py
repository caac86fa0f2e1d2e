"""`velko gateway --mqtt`: calls, line status and discovery on a real mosquitto broker, and no
call lost while the broker is away."""

import json
import subprocess

from conftest import TIMEOUT
from gateway_support import Broker, Subscriber, logged_calls


def mqtt_options(broker, calls, *extra):
    return ("--calls", str(calls), "--mqtt", f"127.0.0.1:{broker.port}", "--line", "shop",
            *extra)


def test_calls_and_the_lines_status_reach_a_subscriber(tmp_path, broker, sims, gateways):
    subscriber = Subscriber(broker.port, "velko/#", "homeassistant/#")
    sim = sims("--start", "2026-03-05 09:07")
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", "--ringing-seconds", "1", "--mqtt-discovery",
                       *mqtt_options(broker, calls))
    gateway.connected("terminal")
    gateway.connected("mqtt")
    sim.play("call 0212345678 홍길동 2 S")
    assert gateway.expect(event="delivered")["output"] == "mqtt"
    subscriber.wait(lambda got: "false" in [p for t, p, _, _ in got if t.endswith("ringing")][1:])
    sim.play("call 0311112222", "hook off", "hook on")
    subscriber.wait(lambda got: subscriber.payloads("velko/shop/hook")[-2:] == [
        '{"off_hook":true}', '{"off_hook":false}'])

    calls_seen = [json.loads(p) for p in subscriber.payloads("velko/shop/call")]
    assert [call["number"] for call in calls_seen] == ["0212345678", "0311112222"]
    assert calls_seen[0]["time"] == "2026-03-05T09:07:00+09:00"
    assert calls_seen[0] == {key: value for key, value in logged_calls(calls)[0].items()
                             if key != "deliveries"}
    assert json.loads(subscriber.payloads("velko/shop/last_call")[-1]) == calls_seen[-1]
    # Ringing from the first call, ended by its time running out; from the second, ended by
    # the receiver lifted.
    assert subscriber.payloads("velko/shop/ringing") == ["false", "true", "false", "true",
                                                         "false"]
    assert json.loads(subscriber.payloads("velko/shop/status")[-1]) == {
        "gateway": "online", "terminal": "connected", "log": "ok"}
    discovery = {topic: json.loads(payload) for topic, payload, _, _ in subscriber.messages
                 if topic.startswith("homeassistant/")}
    assert sorted(discovery) == ["homeassistant/binary_sensor/velko_shop/off_hook/config",
                                 "homeassistant/binary_sensor/velko_shop/ringing/config",
                                 "homeassistant/sensor/velko_shop/last_caller/config"]
    assert discovery["homeassistant/sensor/velko_shop/last_caller/config"]["state_topic"] == (
        "velko/shop/last_call")

    assert gateway.stop()[0] == 0
    subscriber.wait(lambda got: got[-1][:2] == ("velko/shop/status", '{"gateway":"offline"}'))
    subscriber.close()
    retained = Subscriber(broker.port, "velko/#", client_id="late-subscriber")
    retained.wait(lambda got: len(got) == 4)
    assert {topic: payload for topic, payload, was_retained, _ in retained.messages
            if was_retained} == {
        "velko/shop/status": '{"gateway":"offline"}', "velko/shop/hook": '{"off_hook":false}',
        "velko/shop/ringing": "false", "velko/shop/last_call": json.dumps(
            calls_seen[-1], ensure_ascii=False, separators=(",", ":"))}
    retained.close()


def test_a_broker_stopped_and_started_again_misses_no_call(tmp_path, broker, sims, gateways):
    subscriber = Subscriber(broker.port, "velko/shop/call")
    sim = sims()
    calls = tmp_path / "calls.db"
    gateway = gateways("--device", f"1={sim.path}", *mqtt_options(broker, calls))
    gateway.connected("mqtt")
    numbers = [f"02{index:08d}" for index in range(60)]
    sim.play(*(f"call {number}" for number in numbers[:20]))
    subscriber.wait(lambda got: len(got) >= 5)
    broker.stop()
    sim.play(*(f"call {number}" for number in numbers[20:40]))
    gateway.expect(event="connection", peer="mqtt", state="disconnected")
    broker.start()
    sim.play(*(f"call {number}" for number in numbers[40:]))
    seen = subscriber.wait(
        lambda got: set(numbers) <= {json.loads(p)["number"] for _, p, _, _ in got}, seconds=40)
    received = [json.loads(payload)["number"] for _, payload, _, _ in seen]
    # Every call in order. A call may come again: the gateway sends again what the stop left
    # unacknowledged, and the restarted broker sends its subscriber again what it had not seen
    # acknowledged; neither is lost, and neither repeats a call more than once.
    assert list(dict.fromkeys(received)) == numbers
    assert max(received.count(number) for number in numbers) <= 3
    gateway.stop()
    assert all(call["deliveries"]["mqtt"] for call in logged_calls(calls))
    subscriber.close()


def test_logs_in_with_the_password_from_a_file(tmp_path, sims, gateways):
    folder = tmp_path / "broker"
    folder.mkdir()
    passwords = folder / "passwords"
    subprocess.run(["mosquitto_passwd", "-b", "-c", str(passwords), "gateway", "s3cret"],
                   check=True, capture_output=True)
    broker = Broker(folder, anonymous=False, extra=f"password_file {passwords}\n")
    try:
        sim = sims()
        wrong, right = tmp_path / "wrong", tmp_path / "right"
        wrong.write_text("secret\n")
        right.write_text("s3cret\n")
        refused = gateways("--device", f"1={sim.path}", "--mqtt-user", "gateway",
                           "--mqtt-password-file", str(wrong),
                           *mqtt_options(broker, tmp_path / "refused.db"))
        lost = refused.expect(event="connection", peer="mqtt", state="disconnected")
        assert "not authorised" in lost["reason"]
        refused.stop()
        accepted = gateways("--device", f"1={sim.path}", "--mqtt-user", "gateway",
                            "--mqtt-password-file", str(right),
                            *mqtt_options(broker, tmp_path / "accepted.db"))
        accepted.connected("mqtt")
    finally:
        broker.stop()


def test_a_password_crosses_the_network_unencrypted_only_when_asked(tmp_path, sims, gateways):
    password = tmp_path / "password"
    password.write_text("s3cret\n")
    sim = sims()
    options = ("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"), "--mqtt-user",
               "gateway", "--mqtt-password-file", str(password), "--mqtt", "192.0.2.1")
    refused = gateways(*options)
    assert refused.proc.wait(TIMEOUT) != 0
    refused.errors.wait(lambda line: "unencrypted to 192.0.2.1" in line and "--mqtt-insecure"
                        in line)
    allowed = gateways(*options, "--mqtt-insecure")
    allowed.connected("terminal")
    assert allowed.stop()[0] == 0


def certificate_authority(folder, name):
    """A certificate authority made for the test: (its certificate, its key)."""
    cert, key = folder / f"{name}.crt", folder / f"{name}.key"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj", f"/CN={name}",
                    "-keyout", str(key), "-out", str(cert)], check=True, capture_output=True)
    return cert, key


def test_connects_with_tls_to_a_broker_its_authority_signed(tmp_path, sims, gateways):
    folder = tmp_path / "broker"
    folder.mkdir()
    authority, authority_key = certificate_authority(tmp_path, "velko-test-authority")
    stranger, _ = certificate_authority(tmp_path, "another-authority")
    request, cert, key = folder / "broker.csr", folder / "broker.crt", folder / "broker.key"
    subprocess.run(["openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", str(key), "-out",
                    str(request)], check=True, capture_output=True)
    names = tmp_path / "names.ext"
    names.write_text("subjectAltName=IP:127.0.0.1\n")
    subprocess.run(["openssl", "x509", "-req", "-in", str(request), "-CA", str(authority),
                    "-CAkey", str(authority_key), "-CAcreateserial", "-days", "1", "-extfile",
                    str(names), "-out", str(cert)], check=True, capture_output=True)
    broker = Broker(folder, extra=f"cafile {authority}\ncertfile {cert}\nkeyfile {key}\n")
    try:
        sim = sims()
        refused = gateways("--device", f"1={sim.path}", "--mqtt-cafile", str(stranger),
                           *mqtt_options(broker, tmp_path / "refused.db"))
        lost = refused.expect(event="connection", peer="mqtt", state="disconnected")
        assert "certificate verify failed" in lost["reason"]
        refused.stop()
        calls = tmp_path / "accepted.db"
        accepted = gateways("--device", f"1={sim.path}", "--mqtt-cafile", str(authority),
                            *mqtt_options(broker, calls))
        accepted.connected("mqtt")
        sim.play("call 0212345678")
        assert accepted.expect(event="delivered")["output"] == "mqtt"
        assert accepted.stop()[0] == 0
        assert logged_calls(calls)[0]["deliveries"]["mqtt"]
    finally:
        broker.stop()
