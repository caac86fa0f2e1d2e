"""The board page in a real browser against the real gateway and the simulator: the ringing
call, the log, search and filters with their export, reconnection, authentication, and the page
in the reader's language."""

import csv
import io
import re
from pathlib import Path

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


@pytest.fixture
def browsers():
    """A factory of browsers (Browser's options), closed at the end of the test."""
    opened = []

    def open_browser(**options):
        opened.append(Browser(**options))
        return opened[-1]
    yield open_browser
    for each in opened:
        each.close()


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
    assert browser.texts("#banner-number") == ["02-1234-5678"]
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
        assert browser.screenshot(tmp_path, f"board-{width}-{scheme}", width,
                                  scheme).stat().st_size
    assert browser.console_errors() == []


@pytest.mark.parametrize("language", ["en", "ko"])
def test_says_while_the_log_cannot_be_read_and_shows_the_calls_that_came_meanwhile(
        tmp_path, sims, gateways, browsers, language):
    sim = sims("--start", "2026-03-05 09:07")
    calls = tmp_path / "calls.db"
    gateway = start_board(gateways, sim, calls, free_port())
    browser = browsers(language=language)
    live(browser, gateway.url)
    notice = "return !document.getElementById('log-notice').hidden"
    assert not browser.run(notice)
    with deliveries_away(calls):
        browser.until(notice)
        sim.play("call 0212345678 홍길동 2 S")
        gateway.expect(event="call")
        assert browser.log_ids() == []
        for width, scheme in [(1280, "light"), (400, "light"), (400, "dark")]:
            assert browser.screenshot(
                tmp_path, f"board-log-unreadable-{language}-{width}-{scheme}", width,
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
    assert browser.texts("#calls .who .number") == ["02-1234-0000"]
    export = browser.run("return document.getElementById('export').href")
    status, _, body = get(export)
    assert status == 200
    rows = list(csv.DictReader(io.StringIO(body.decode())))
    assert [row["number"] for row in rows] == ["0212340000"]

    browser.driver.find_element(By.ID, "q").send_keys(Keys.CONTROL, "a", Keys.BACKSPACE)
    browser.until("return document.querySelectorAll('#calls > li').length === 2")
    assert browser.texts("#calls .who .number, #calls .who .name:only-child") == [
        "02-1234-0000", "010-9876-5432"]


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
    assert browser.texts("#calls .who .name") == ["02-1234-5678"]


# The elements that show data (names, numbers, times, counts, the line's name): their text may be
# anything; every other text of the page comes from the table of its language.
DATA = "time, .name, .number, .count, .bars text, #line-name, #banner-who"
TEXTS_CHECK = (Path(__file__).parent / "board_texts_check.js").read_text()
# What the page in each language shows for the calls below: the type words, a call's time, the
# title with the line's name, what an empty search finds.
EXPECTED = {
    "ko": {"types": ["일반", "차단", "VIP", "공중전화", "발신번호 표시 제한", "발신번호 표시 불가",
                     "일반", "일반"],
           "time": "2026. 3. 5. 오전 9:07", "title": "shop – 통화 현황판",
           "none": "조건에 맞는 통화가 없습니다."},
    "en": {"types": ["NORMAL", "BLACK", "VIP", "PUBLIC", "NO_DISP", "NO_GATHER", "NORMAL",
                     "NORMAL"],
           "time": "Mar 5, 2026, 9:07 AM", "title": "shop – call board",
           "none": "No calls match the search and filters."},
}


@pytest.mark.parametrize("language", ["ko", "en"])
def test_the_page_speaks_the_readers_language_with_every_text_from_its_table(
        tmp_path, sims, gateways, broker, browsers, language):
    sim = sims("--start", "2026-03-05 09:07")
    # A call that came while the gateway was away, read back from the terminal's memory.
    sim.play('store 0311112222 "" 0 S 03050855')
    gateway = start_board(gateways, sim, tmp_path / "calls.db", free_port(), "--mqtt",
                          f"127.0.0.1:{broker.port}")
    gateway.expect(event="backfill")
    browser = browsers(language=language)
    live(browser, gateway.url)
    sim.play('call 114 "" 0 S', 'call O "" 0 O', 'call P "" 0 P', 'call 15881234 "" 0 C',
             "call 01012345678 김철수 1 V", "call 0212340000 홍길순 0 B",
             "call 0212345678 홍길동 2 S")
    browser.until("return document.querySelectorAll('#calls > li').length === 8"
                  " && !document.querySelector('#calls .pending')"
                  " && document.getElementById('banner-who').textContent === '홍길동'")
    browser.until("return [...document.querySelectorAll('#chart-days rect')]"
                  ".some((bar) => bar.getAttribute('height') > 0)")

    expected = EXPECTED[language]
    assert browser.run("return document.documentElement.lang") == language
    assert browser.run("return document.title") == expected["title"]
    assert browser.texts("#line-name") == ["shop"]
    assert browser.texts("#calls .type") == expected["types"]
    assert [" ".join(text.split()) for text in browser.texts("#calls .when")][0] == \
        expected["time"]
    # Numbers grouped by the gateway, those of no Korean form as they came.
    assert browser.texts("#calls .who .name") == [
        "홍길동", "홍길순", "김철수", "1588-1234", "P", "O", "114", "031-111-2222"]
    assert browser.texts("#calls .who .number") == [
        "02-1234-5678", "02-1234-0000", "010-1234-5678"]
    assert browser.texts("#banner-number") == ["02-1234-5678"]

    page = browser.run_async(TEXTS_CHECK, DATA)
    assert page["outside"] == []
    everything = " ".join(page["texts"] + page["data"])
    if language == "ko":
        # Nothing in English: the names of the line and the output, the terminal's letters for
        # a withheld or unavailable number, and the words Koreans write in Latin letters, alone.
        assert set(re.findall(r"[A-Za-z]+", everything)) <= {"shop", "mqtt", "P", "O", "VIP",
                                                               "CSV"}
    else:
        assert re.findall(r"[가-힣]+", " ".join(page["texts"])) == []

    for width, scheme in [(1280, "light"), (1280, "dark"), (400, "light"), (400, "dark")]:
        assert browser.screenshot(tmp_path, f"board-{language}-{width}-{scheme}", width,
                                  scheme).stat().st_size
    browser.driver.find_element(By.ID, "q").send_keys("없는 이름")
    browser.until("return document.getElementById('log-end').textContent === arguments[0]",
                  expected["none"])
    assert browser.console_errors() == []


LANGUAGE_CHOICE = """
const [lists, done] = arguments;
import(new URL('language.js', document.baseURI).href)
    .then(({chooseLanguage}) => done(lists.map(chooseLanguage)), (failure) => done(String(failure)));
"""
TABLES = """
const done = arguments[0];
import(new URL('texts.js', document.baseURI).href).then(({TEXTS}) => done(TEXTS));
"""


def test_the_tables_hold_the_same_texts_and_the_first_language_named_is_chosen(
        tmp_path, sims, gateways, browser):
    sim = sims()
    gateway = start_board(gateways, sim, tmp_path / "calls.db", free_port())
    live(browser, gateway.url)
    assert browser.texts("#log-end") == ["No calls yet."]
    assert browser.texts("#top .quiet") == ["No calls yet."]

    tables = browser.run_async(TABLES)
    assert set(tables) == {"en", "ko"}
    assert tables["en"].keys() == tables["ko"].keys()
    for key, english in tables["en"].items():
        korean = tables["ko"][key]
        assert english.strip() and korean.strip(), key
        assert sorted(re.findall(r"\{\w+\}", english)) == \
            sorted(re.findall(r"\{\w+\}", korean)), key

    lists = [["ko-KR", "en-US"], ["en-GB", "ko"], ["fr-FR", "ko"], ["KO"], ["fr"], [],
             ["kok-IN", "en"], ["not a tag", "ko"]]
    assert browser.run_async(LANGUAGE_CHOICE, lists) == [
        "ko", "en", "ko", "ko", "en", "en", "en", "ko"]
