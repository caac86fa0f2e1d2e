#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace velko::shell {

// Writes the shell's reports to a stream (standard output), one line at a time, each flushed at
// once. The first write that fails (a full disk, a reader that has gone) is kept with the
// system's reason, and nothing more is written: the program then ends, saying why.
class LineWriter {
  public:
    explicit LineWriter(std::ostream& out) : out_(out) {}
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void write(std::string_view line);

    bool failed() const { return failure_.has_value(); }
    // "velko: cannot write to standard output: No space left on device", once a write failed.
    std::string failureText() const;

  private:
    std::ostream& out_;
    std::optional<std::string> failure_;
};

}  // namespace velko::shell
