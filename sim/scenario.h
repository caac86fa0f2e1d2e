#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "sim/records.h"

namespace velko::sim {

// The scenario language: one action per line, read as UTF-8. Blank lines and lines starting
// with "#" do nothing. Words are separated by blanks; a word in double quotes may hold blanks
// ("" is an empty word). Names and raw text go to the line in CP949.
//
//   call NUMBER [NAME] [GROUP] [TYPE]   an incoming call: report D (group 0, type S if omitted)
//   other NUMBER [NAME] [GROUP] [TYPE]  another call event: report E
//   hook off | hook on                  the receiver is lifted (report B) or hung up (report C)
//   store NUMBER [NAME] [GROUP] [TYPE] [MMDDHHMM]
//                                       a call that came while nobody listened: kept in the
//                                       call memory (at MMDDHHMM, or now), not reported
//   reject NUMBER [NAME]                adds a number to the rejected list; nothing is sent
//   clock +MIN | clock -MIN             puts the terminal's clock MIN minutes ahead or behind
//   chunk N [DELAY_MS]                  messages go out in pieces of N bytes, one every
//                                       DELAY_MS (default 50); chunk 0 sends them whole
//   noise                               sends "xx" CR LF, text without any header
//   pair                                the next two messages go out in one write (the first
//                                       waits for the second)
//   ack on | ack off | ack delay MS     answers "[" at once, never, or after MS (writes
//                                       after it wait behind it: the line keeps its order)
//   raw TEXT                            sends the rest of the line as it stands, no framing;
//                                       \r \n \t \\ and \xNN stand for their bytes
//   wait MS                             reads the next line only MS later (the line is
//                                       served meanwhile)
//   quit                                stops once everything scheduled has gone out

using CallAction = IncomingCall;  // kind 'D' for call, 'E' for other
struct HookAction {
    bool off;
};
struct StoreAction {
    IncomingCall call;
    // Month, day, hour and minute of the call; none for the terminal's clock now.
    std::optional<std::array<int, 4>> time;
};
struct ClockAction {
    std::chrono::minutes offset;
};
struct RejectAction {
    std::string number;
    std::string name;  // CP949
};
struct ChunkAction {
    std::size_t size;
    std::chrono::milliseconds gap;
};
struct NoiseAction {};
struct PairAction {};
struct AckAction {
    std::optional<std::chrono::milliseconds> delay;  // none: never
};
struct RawAction {
    std::string bytes;
};
struct WaitAction {
    std::chrono::milliseconds duration;
};
struct QuitAction {};

using ScenarioAction = std::variant<std::monostate, CallAction, HookAction, StoreAction,
                                    RejectAction, ClockAction, ChunkAction, NoiseAction, PairAction,
                                    AckAction, RawAction, WaitAction, QuitAction>;

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads one line (without its line end). Throws ScenarioError for a line it cannot read.
ScenarioAction parseScenarioLine(std::string_view line);

}  // namespace velko::sim
