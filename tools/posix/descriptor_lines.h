#pragma once

#include "platform/posix/poll_loop.h"
#include "tools/shell/input_lines.h"

namespace velko::tools {

// Lines read from a descriptor (standard input) by the message loop, without ever blocking it:
// the loop reads whenever the descriptor has input and collects complete lines, also while a
// call runs the loop from inside; the caller takes the lines when it is ready for them.
class DescriptorLines {
  public:
    DescriptorLines(posix::PollLoop& loop, int fd);
    ~DescriptorLines();
    DescriptorLines(const DescriptorLines&) = delete;
    DescriptorLines& operator=(const DescriptorLines&) = delete;

    shell::InputLines& lines() { return lines_; }

  private:
    void readAvailable();

    posix::PollLoop& loop_;
    int fd_;
    int watch_ = 0;
    shell::InputLines lines_;
};

}  // namespace velko::tools
