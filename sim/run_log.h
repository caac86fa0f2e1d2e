#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "sim/command_reader.h"
#include "sim/terminal_clock.h"
#include "sim/transmitter.h"

namespace velko::sim {

// What the runner does, one line each, stamped with the seconds since it started. Readable
// lines by default:
//     0.000 ready /dev/pts/4
//     0.412 received [
//     0.412 sent ACK: ACK\r\n
//     0.415 received command [d\r]
//     0.415 sent response d: Response\r\nd\r\n0305\r\n0907\r\nEnd\r\n
//     1.000 scenario: chunk 8 20
//     1.000 sent report B (hook off) part 1/2: Report\r\n
//     2.310 clock set to 2026-12-25 09:30:00
// or JSON lines, one object each, with "t" (seconds) and "event" ("ready", "received", "sent",
// "scenario", "clock", "error"); bytes appear as "text" in the escapes of shown_bytes.h, and text
// that is not UTF-8 with U+FFFD in place of its faulty bytes.
class RunLog {
  public:
    RunLog(std::ostream& out, bool json, Clock::time_point start);

    void ready(std::string_view path, Clock::time_point now);
    void received(const Heard& heard, Clock::time_point now);
    void sent(const Outgoing& write, Clock::time_point now);
    void scenario(std::string_view line, Clock::time_point now);
    // The PC set the terminal's clock; time is what it reads now.
    void clockSet(std::chrono::sys_seconds time, Clock::time_point now);
    void error(std::string_view line, std::string_view message, Clock::time_point now);

  private:
    void human(Clock::time_point now, std::string_view text);

    std::ostream& out_;
    bool json_;
    Clock::time_point start_;
};

}  // namespace velko::sim
