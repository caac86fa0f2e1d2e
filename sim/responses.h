#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/terminal_state.h"

namespace velko::sim {

// The body of the terminal's answer to a query: the key line, then the values. Single values
// are bare lines:
//   d  date MMDD, then time hhmm        h  firmware version "2.10"
//   e  time hhmm                        i  serial number "VK100-0001"
//   f  alarm melody 1..6                n  calls in the call memory
//   g  area code character 0..9, a..f   q  rejected numbers
//   r  ring volume "3"                  s  speaker volume "2"
//   t  line state: "1" receiver lifted, "0" hung up
//   u  calls since the call memory was last read out
//   x  size of the call memory
// Lists:
//   a  the call memory, oldest first: Time:, Number:, Name:, Group:, Type: per call; reading it
//      marks every call as read
//   j  the rejected numbers, in the same titled layout (Group: 0, Type: B)
//   o  the six groups, titled: Time: (now), Number: (the group's dial number), Name:, Group:,
//      Type: S
//   p  the six groups as pairs of bare lines: group number 1..6, group name
// Any other key is no query: there is no answer.
std::optional<std::vector<std::string>> responseBody(char key, TerminalState& state,
                                                     Clock::time_point now);

}  // namespace velko::sim
