#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velko::sim {

// What the terminal makes of the bytes the PC sends. A frame opens with "[" and closes with "]";
// a "[" inside an open frame abandons it and opens a new one. Bytes outside any frame are stray.
struct Heard {
    enum class Kind { Opening, Command, Stray };
    Kind kind;
    std::string bytes;  // "[" for an opening, the whole frame for a command
};

class CommandReader {
  public:
    std::vector<Heard> feed(std::string_view bytes);

    // Every frame received, as its exact bytes from the "[" on; the last one may still be open.
    const std::vector<std::string>& frames() const { return frames_; }

  private:
    std::vector<std::string> frames_;
    bool inFrame_ = false;
};

// The body of a closed frame: the command character, CR, then each parameter followed by CR.
struct Command {
    char code;
    std::vector<std::string> params;
};

// Reads a closed frame ("[" ... "]"). A frame with an empty body holds no command. A missing CR
// after the command character or after the last parameter is forgiven.
std::optional<Command> parseFrame(std::string_view frame);

}  // namespace velko::sim
