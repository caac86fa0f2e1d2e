#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velko::share {

// One event of a text/event-stream body: its name ("message" when it names none) and its data,
// the data lines joined by line feeds.
struct StreamEvent {
    std::string name;
    std::string data;

    bool operator==(const StreamEvent&) const = default;
};

// Cuts a text/event-stream body into its events, piece by piece as the connection delivers it:
// lines end with CR LF, LF or CR (also split between two pieces); "event:" names the event,
// "data:" lines make its data, a blank line completes it; comments (":" first), "id:", "retry:"
// and unknown fields are skipped; a byte order mark at the start is skipped.
class EventStreamReader {
  public:
    // The most one event may hold, its lines included: a gateway that sends more is broken.
    static constexpr size_t kLongestEvent = 256 * 1024;

    // Appends the events the bytes complete; false once an event has grown beyond the bound
    // (the reader takes nothing more then).
    bool feed(std::string_view bytes, std::vector<StreamEvent>& events);

  private:
    void endLine(std::vector<StreamEvent>& events);

    std::string line_;
    std::string name_;
    std::string data_;
    bool hasData_ = false;
    bool afterCarriageReturn_ = false;
    bool started_ = false;
    bool broken_ = false;
};

}  // namespace velko::share
