#!/usr/bin/env python3
"""Figures for the board: from the report's end line on the pseudo-terminal to the call in the
page's DOM, in a real browser (headless chromium) connected to `velko gateway --http`.

The script plays the terminal itself on a pseudo-terminal, so that the moment the end line is
written is known exactly; a MutationObserver on the log notes when each
call's row appears. Calls go one at a time, each after the last is on the page. Prints the
median and the 99th percentile; it does not fail on a slow machine. Usage:
  bench/board_latency.py [--velko build/bin/velko] [--calls 300]
"""

import statistics
import tempfile
import time

from process_figures import argument_parser, percentile, use_velko

# Notes, for each row added to the log, the moment in milliseconds of the system's clock (the one
# this script reads too, but in whole milliseconds: a figure may be up to 1 ms low) by its call's
# id.
OBSERVE = """
window.arrivals = {};
new MutationObserver((changes) => {
  const now = Date.now();
  for (const change of changes) {
    for (const row of change.addedNodes) window.arrivals[row.dataset.id] ??= now;
  }
}).observe(document.getElementById('calls'), {childList: true});
"""


def parse_arguments():
    parser = argument_parser(__doc__)
    parser.add_argument("--calls", type=int, default=300)
    return parser.parse_args()


def main():
    options = parse_arguments()
    use_velko(options.velko)
    from browser_support import Browser
    from conftest import Terminal, report
    from gateway_support import Gateway, free_port

    with tempfile.TemporaryDirectory() as folder:
        terminal = Terminal()
        port = free_port()
        gateway = Gateway("--device", f"1={terminal.path}", "--calls", f"{folder}/calls.db",
                          "--line", "bench", "--http", f"127.0.0.1:{port}")
        browser = Browser()
        try:
            gateway.connected("terminal")
            browser.open(f"http://127.0.0.1:{port}/")
            browser.until("return document.getElementById('status-feed').classList"
                          ".contains('good') && document.getElementById('calls').ariaBusy"
                          " === 'false'")
            browser.run(OBSERVE)
            latency = []
            for index in range(options.calls):
                number = f"02{index:08d}".encode()
                message = report(b"D", b"Time:03050907", b"Number:" + number, b"Name:",
                                 b"Group:0", b"Type:S")
                # Read just before the write: after it, this thread may wait for its turn
                # while the call travels.
                written = time.time() * 1000
                terminal.send(message)
                call = gateway.expect(event="call", seconds=30)["call"]
                shown = browser.until("return window.arrivals[arguments[0]]", call["id"],
                                      seconds=30)
                latency.append(shown - written)
            print(f"{options.calls} calls one at a time, report's end line to the call in the "
                  f"page's DOM: median {statistics.median(latency):.1f} ms, 99th percentile "
                  f"{percentile(latency, 0.99):.1f} ms, range {min(latency):.1f} to "
                  f"{max(latency):.1f} ms")
        finally:
            browser.close()
            gateway.kill()
            terminal.close()


if __name__ == "__main__":
    main()
