#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/terminal_clock.h"

namespace velko::sim {

// One write on the line: these bytes at that time. A message cut into chunks is several writes,
// numbered part 1 to parts.
struct Outgoing {
    Clock::time_point at;
    std::string bytes;
    std::string label;  // "ACK", "report D ...", "response d", "noise", "raw"
    int part = 1;
    int parts = 1;
    // The first byte completes a character whose first byte ended the part before.
    bool startsInsideCharacter = false;
};

// The terminal's side of the line going to the PC. Writes leave in the order they were handed
// over, never earlier than asked and never interleaved: a message still going out in chunks
// holds back whatever comes after it.
class Transmitter {
  public:
    // Messages are cut into pieces of `size` bytes, one every `gap`; size 0 sends them whole.
    void setChunking(std::size_t size, Clock::duration gap);
    // The next message is held back and goes out in one write with the message after it.
    void pairNext();

    // A report or response: chunked and paired as set above.
    void sendMessage(std::string bytes, std::string label, Clock::time_point at);
    // An acknowledgement, noise or raw text: always one write.
    void sendPlain(std::string bytes, std::string label, Clock::time_point at);

    std::vector<Outgoing> due(Clock::time_point now);
    std::optional<Clock::time_point> nextDue() const;

  private:
    void schedule(std::string bytes, std::string label, Clock::time_point at, std::size_t chunk);

    std::deque<Outgoing> queue_;
    std::size_t chunkSize_ = 0;
    Clock::duration chunkGap_{};
    bool pairArmed_ = false;
    std::optional<Outgoing> held_;
};

}  // namespace velko::sim
