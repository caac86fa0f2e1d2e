#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_reader.h"
#include "sim/records.h"
#include "sim/terminal_state.h"
#include "sim/transmitter.h"

namespace velko::sim {

struct TerminalOptions {
    // The terminal's date and time when it is switched on.
    std::chrono::sys_seconds start =
        std::chrono::sys_days{std::chrono::year{2025} / std::chrono::March / 5} +
        std::chrono::hours{9} + std::chrono::minutes{7};
    // How long after a "[" the terminal answers "ACK"; none: it never does.
    std::optional<Clock::duration> ackDelay = Clock::duration::zero();
    // How many calls the call memory holds; the oldest goes first.
    std::size_t callMemory = 100;
};

// The terminal's side of the serial line, without any I/O: bytes from the PC go in through
// receive(), the terminal's writes come out of due() at their times. The caller owns the clock:
// every call passes the current time, which never goes backwards.
//
// On "[" the terminal answers "ACK" CR LF (after the set delay, or never) and reads the command
// body up to "]". A setting command (D, E, F, G) changes its setting and gets no answer; a query
// gets a Response message (see responses.h); anything else is ignored. Reports and responses are
// framed messages; the acknowledgement, noise and raw text are single writes.
class TerminalModel {
  public:
    explicit TerminalModel(Clock::time_point now, TerminalOptions options = {});

    std::vector<Heard> receive(std::string_view bytes, Clock::time_point now);
    std::vector<Outgoing> due(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;

    // What happens on the telephone line, each reported to the PC at once.
    void hookOff(Clock::time_point now);                         // report B
    void hookOn(Clock::time_point now);                          // report C
    void call(const IncomingCall& call, Clock::time_point now);  // report D or E; kept in memory
    // A call that came while nobody listened: kept in memory at the month, day, hour and minute
    // given (in the latest year that is not ahead of the clock) or now, and not reported.
    void store(const IncomingCall& call, std::optional<std::array<int, 4>> time,
               Clock::time_point now);
    // Puts the terminal's clock ahead (or behind, for a negative offset).
    void shiftClock(std::chrono::minutes offset);
    // Adds a number to the rejected list; the PC is not told.
    void reject(std::string number, std::string name, Clock::time_point now);

    // Misbehaviour on purpose.
    void setAck(std::optional<Clock::duration> delay);
    void setChunking(std::size_t size, Clock::duration gap);
    void pairNext();
    void noise(Clock::time_point now);  // "xx" CR LF between messages
    void raw(std::string bytes, Clock::time_point now);

    // Every command frame received, exact bytes from its "[" on (the last may still be open).
    const std::vector<std::string>& commands() const { return reader_.frames(); }
    const TerminalState& state() const { return state_; }

  private:
    void remember(CallRecord record);
    void execute(std::string_view frame, Clock::time_point now);

    TerminalState state_;
    std::optional<Clock::duration> ackDelay_;
    CommandReader reader_;
    Transmitter line_;
};

}  // namespace velko::sim
