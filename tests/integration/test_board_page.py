"""The board page in a real browser against the real gateway and the simulator: the ringing
call, the log, search and filters with their export, reconnection, and authentication."""

import csv
import io

import pytest
from board_support import deliveries_away, get
from browser_support import Browser
from gateway_support import free_port, logged_calls
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

MARKUP = "<img src=x onerror=window.ran=1>"


@pytest.fixture
def browser():
    opened = Browser()
    yield opened
    opened.close()


def start_board(gateways, sim, calls, port, *options):
    """A gateway with the board on the port; its address is `url`."""
    gateway = gateways("--device", f"1={sim.path}", "--calls", str(calls), "--line", "shop",
                       "--http", f"127.0.0.1:{port}", *options)
    gateway.url = gateway.expect(event="listening", what="board")["url"]
    gateway.connected("terminal")
    return gateway


def live(browser, url):
    """Opens the board and waits until its live feed is up and its log is read."""
    browser.open(url)
    browser.until("return document.getElementById('status-feed').classList.contains('good')"
                  " && document.getElementById('calls').ariaBusy === 'false'")


def test_shows_the_ringing_call_at_once_and_caller_texts_only_as_text(tmp_path, sims, gateways,
                                                                     browser):
    sim = sims("--start", "2026-03-05 09:07")
    gateway = start_board(gateways, sim, tmp_path / "calls.db", free_port())
    live(browser, gateway.url)

    sim.play("call 0212345678 홍길동 2 S")
    first = gateway.expect(event="call")["call"]
    browser.until("return !document.getElementById('banner').hidden")
    assert browser.texts("#banner-who") == ["홍길동"]
    assert browser.texts("#banner-number") == ["0212345678"]
    assert browser.log_ids() == [first["id"]]
    sim.play("hook off")
    browser.until("return document.getElementById('banner').hidden")

    sim.play("hook on", f'call 0311112222 "{MARKUP}" 0 B')
    second = gateway.expect(event="call")["call"]
    browser.until("return document.querySelector('#calls > li').dataset.id == arguments[0]",
                  second["id"])
    assert browser.texts("#calls > li:first-child .name") == [MARKUP]
    assert browser.texts("#banner-who") == [MARKUP]
    assert "BLACK" in browser.texts("#banner-type .type.warn")[0]
    assert browser.run("return document.querySelectorAll('img').length") == 0
    assert browser.run("return window.ran") is None

    browser.until("return [...document.querySelectorAll('#chart-days rect')]"
                  ".some((bar) => bar.getAttribute('height') > 0)")
    for width, scheme in [(1280, "light"), (1280, "dark"), (400, "light"), (400, "dark")]:
        assert browser.screenshot(f"board-{width}-{scheme}", width, scheme).stat().st_size
    assert browser.console_errors() == []


def test_says_while_the_log_cannot_be_read_and_shows_the_calls_that_came_meanwhile(
        tmp_path, sims, gateways, browser):
    sim = sims("--start", "2026-03-05 09:07")
    calls = tmp_path / "calls.db"
    gateway = start_board(gateways, sim, calls, free_port())
    live(browser, gateway.url)
    notice = "return !document.getElementById('log-notice').hidden"
    assert not browser.run(notice)
    with deliveries_away(calls):
        browser.until(notice)
        sim.play("call 0212345678 홍길동 2 S")
        gateway.expect(event="call")
        assert browser.log_ids() == []
        for width, scheme in [(1280, "light"), (400, "light"), (400, "dark")]:
            assert browser.screenshot(f"board-log-unreadable-{width}-{scheme}", width,
                                      scheme).stat().st_size
        # The live feed stays up all along.
        assert browser.run("return document.getElementById('status-feed').className") == \
            "pill good"
    browser.until("return document.getElementById('log-notice').hidden")
    browser.until("return document.querySelectorAll('#calls > li').length === 1")
    assert browser.texts("#calls .who .name") == ["홍길동"]
    # Only the answers the gateway gave while it could not read the log failed.
    assert [error for error in browser.console_errors()
            if "status of 503" not in error["message"]] == []


def test_pages_searches_and_filters_the_log_and_its_export(tmp_path, sims, gateways, browser):
    sim = sims("--start", "2026-03-05 09:07")
    gateway = start_board(gateways, sim, tmp_path / "calls.db", free_port())
    others = [f"call 05{index:08d}" for index in range(48)]
    sim.play("call 0212345678 홍길동 2 S", "call 0311112222 김철수 1 S",
             "call 01098765432 \"\" 0 B", "call 0212340000 홍길순 0 B", *others)
    for _ in range(52):
        gateway.expect(event="call")
    live(browser, gateway.url)
    assert browser.log_ids() == list(range(52, 2, -1))
    browser.run("document.getElementById('more').scrollIntoView()")
    browser.until("return document.getElementById('more').hidden")
    assert browser.log_ids() == list(range(52, 0, -1))

    browser.driver.find_element(By.ID, "q").send_keys("홍길")
    browser.until("return document.querySelectorAll('#calls > li').length === 2")
    assert browser.texts("#calls .who .name") == ["홍길순", "홍길동"]

    Select(browser.driver.find_element(By.ID, "type")).select_by_visible_text("BLACK")
    browser.until("return document.querySelectorAll('#calls > li').length === 1")
    assert browser.texts("#calls .who .number") == ["0212340000"]
    export = browser.run("return document.getElementById('export').href")
    status, _, body = get(export)
    assert status == 200
    rows = list(csv.DictReader(io.StringIO(body.decode())))
    assert [row["number"] for row in rows] == ["0212340000"]

    browser.driver.find_element(By.ID, "q").send_keys(Keys.CONTROL, "a", Keys.BACKSPACE)
    browser.until("return document.querySelectorAll('#calls > li').length === 2")
    assert browser.texts("#calls .who .number, #calls .who .name:only-child") == [
        "0212340000", "01098765432"]


def test_after_the_gateway_restarts_every_call_is_on_the_page_once(tmp_path, sims, gateways,
                                                                   browser):
    sim = sims()
    port = free_port()
    calls = tmp_path / "calls.db"
    first = start_board(gateways, sim, calls, port)
    live(browser, first.url)
    sim.play("call 0210000001", "call 0210000002")
    browser.until("return document.querySelectorAll('#calls > li').length === 2")

    first.stop()
    browser.until("return document.getElementById('status-feed').classList.contains('bad')")
    second = start_board(gateways, sim, calls, port)
    sim.play("call 0210000003", "call 0210000004", "call 0210000005")
    for _ in range(3):
        second.expect(event="call")
    expected = [call["id"] for call in reversed(logged_calls(calls))]
    browser.until("return document.querySelectorAll('#calls > li').length >= arguments[0]",
                  len(expected), seconds=20)
    assert browser.log_ids() == expected
    browser.until("return document.getElementById('status-feed').classList.contains('good')")


def test_with_a_password_file_the_page_shows_only_to_who_gives_it(tmp_path, sims, gateways,
                                                                  browser):
    sim = sims()
    password = tmp_path / "password"
    password.write_text("s3cret\n")
    gateway = start_board(gateways, sim, tmp_path / "calls.db", free_port(),
                          "--http-password-file", str(password))
    browser.open(gateway.url)
    assert browser.run("return document.getElementById('calls')") is None

    # The password in the address: the page's own requests may not carry it there.
    live(browser, gateway.url.replace("http://", "http://velko:s3cret@"))
    sim.play("call 0212345678")
    browser.until("return document.querySelectorAll('#calls > li').length === 1")
    assert browser.texts("#calls .who .name") == ["0212345678"]
