#pragma once

#include <string>

namespace velko::sim {

// A pseudo-terminal pair in raw mode at 9600 baud, 8 data bits, no parity. The master side is
// non-blocking and is the terminal's end of the line; the slave path is the PC's. The slave is
// held open as well, so that the line stays up while the PC closes and reopens its end.
class PtyPair {
  public:
    PtyPair();  // throws std::system_error
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace velko::sim
