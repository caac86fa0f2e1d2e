"""`velko gateway` killed with SIGKILL and started again: every call reaches both outputs, in
order, the log lists every call, and the end of an answered call still reaches NCID."""

import json
import signal
import threading

from gateway_support import Subscriber, logged_calls


def test_a_gateway_killed_mid_stream_delivers_everything_once_started_again(
        tmp_path, broker, ncid, sims, gateways):
    subscriber = Subscriber(broker.port, "velko/shop/call")
    sim = sims()
    calls = tmp_path / "calls.db"
    options = ("--device", f"1={sim.path}", "--calls", str(calls), "--line", "shop", "--mqtt",
               f"127.0.0.1:{broker.port}", "--ncid", f"127.0.0.1:{ncid.port}")
    numbers = [f"02{index:08d}" for index in range(300)]
    # The server takes the second hundred only after the kill, so that the kill finds NCID's
    # stream under way however fast the machine is.
    killed = threading.Event()
    ncid.on_call = lambda fields: fields["NMBR"] in numbers[100:200] and killed.wait(30)
    first = gateways(*options)
    first.connected("ncid")
    sim.play(*(f"call {number}" for number in numbers[:200]))
    # Killed once the last call is logged, while the outputs are still delivering.
    first.events.wait(lambda event: event.get("event") == "call" and event["call"]["id"] == 200,
                      20)
    first.stop(signal.SIGKILL)
    killed.set()
    assert len(first.delivered("ncid")) < 200, "the stream had ended before the kill"

    second = gateways(*options)
    second.connected("terminal")
    sim.play(*(f"call {number}" for number in numbers[200:]))
    ncid.wait(lambda server: set(numbers) <= {call["NMBR"] for call in server.calls}, 30)
    subscriber.wait(lambda got: set(numbers) <= {json.loads(p)["number"] for _, p, _, _ in got},
                    30)
    by_ncid = [call["NMBR"] for call in ncid.calls]
    by_mqtt = [json.loads(payload)["number"] for _, payload, _, _ in subscriber.messages]
    # A call sent before the kill whose acknowledgement had not reached the log comes again
    # after the restart: the only duplicate allowed, counted here.
    for taken in (by_ncid, by_mqtt):
        assert list(dict.fromkeys(taken)) == numbers
        twice = {number for number in taken if taken.count(number) > 1}
        assert twice <= set(numbers[:200]), twice
    print(f"duplicates after the kill: NCID {len(by_ncid) - len(numbers)}, "
          f"MQTT {len(by_mqtt) - len(numbers)}")
    assert not ncid.faults and ncid.lost == 0
    second.stop()
    logged = logged_calls(calls)
    assert [call["number"] for call in logged] == numbers
    assert all(all(call["deliveries"].values()) for call in logged)
    subscriber.close()


def test_the_end_of_an_answered_call_waits_in_the_log_through_a_kill(tmp_path, ncid, sims,
                                                                     gateways):
    sim = sims()
    options = ("--device", f"1={sim.path}", "--calls", str(tmp_path / "calls.db"), "--line",
               "shop", "--ncid", f"127.0.0.1:{ncid.port}")
    ncid.stop()
    first = gateways(*options)
    first.connected("terminal")
    sim.play("call 0212345678", "hook off", "hook on")
    first.expect(event="hook", off_hook=False)
    first.stop(signal.SIGKILL)

    ncid.start()
    second = gateways(*options)
    second.connected("ncid")
    ncid.wait(lambda server: server.infos, 10)
    assert [call["NMBR"] for call in ncid.calls] == ["0212345678"]
    assert [(info["BYE"], info["NMBR"]) for info in ncid.infos] == [("", "0212345678")]
    assert not ncid.faults and ncid.lost == 0
    second.stop()
