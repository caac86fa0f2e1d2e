#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace velko::shell {

// Splits a stream of bytes into lines ended by LF; a CR before the LF is dropped.
class InputLines {
  public:
    void append(std::string_view bytes);
    // The end of the stream: an unfinished last line counts as a line.
    void finish();

    // The next complete line, without its line end.
    std::optional<std::string> next();
    // Finished and every line taken.
    bool exhausted() const { return finished_ && lines_.empty(); }

  private:
    std::string partial_;
    std::deque<std::string> lines_;
    bool finished_ = false;
};

}  // namespace velko::shell
