#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/text.h"

namespace velko::share {

// The JSON of the share's stream events and writes (docs/share.md). Every reader takes hostile
// input: nothing when the data is not JSON, lacks a member or has one of another type or beyond
// its bounds; members it does not know are ignored.

// hello: the desk's id for its writes, whether the gateway's terminal port is open, and the
// newest call id of the gateway's log.
struct Hello {
    std::string desk;
    bool terminal = false;
    int64_t calls = 0;
};
std::optional<Hello> readHello(std::string_view data);

// text: the terminal's text for this desk.
std::optional<Text> readText(std::string_view data);

// terminal: the gateway's terminal port opened or closed, why it closed, and the newest call id
// when the gateway says it.
struct TerminalChange {
    bool connected = false;
    std::string reason;
    std::optional<int64_t> calls;
};
std::optional<TerminalChange> readTerminalChange(std::string_view data);

// calls: the newest call id of the gateway's log, whenever a call has been logged.
std::optional<int64_t> readCalls(std::string_view data);

// The body of POST /share/write.
std::string writeBody(std::string_view desk, TextView text, int32_t waitMilliseconds);

// Its answer: whether the text went out on the line, how many characters went as "?", or why
// it did not go out.
struct WriteOutcome {
    bool written = false;
    int64_t replaced = 0;
    std::string reason;
};
std::optional<WriteOutcome> readWriteOutcome(std::string_view body);

}  // namespace velko::share
