#pragma once

#include <functional>

#include "link/message_loop.h"
#include "tools/shell/input_lines.h"
#include "tools/shell/session.h"

namespace velko::shell {

// Executes the lines that arrive on input while the message loop runs, until a line asks to
// quit (false), stop() holds (true), the time until has come (true), or, with endAtEndOfInput,
// the input has ended and the notifications pending after its last line have run (true). The
// loop fills input.
bool serve(MessageLoop& loop, ShellSession& session, InputLines& input, bool endAtEndOfInput,
           const std::function<bool()>& stop,
           MessageLoop::Clock::time_point until = MessageLoop::Clock::time_point::max());

}  // namespace velko::shell
