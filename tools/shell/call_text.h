#pragma once

#include <string>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko::shell {

// Readable forms of the caller information the events carry.

// "03-05 09:07  02-1234-5678  홍길동  group 2  NORMAL": date and time, number as shown, name,
// group and type; the name and the type are left out when empty. Control characters are escaped.
std::string describeCall(const CID_INFO& call);

// The text as UTF-8 with its control characters escaped as \r \n \t and \xHH for the others
// (U+0000 to U+001F, U+007F to U+009F), the escapes of the shell's quoted arguments: what came
// over the line cannot ring the bell or steer the user's terminal.
std::string escapedControls(TextView text);

// A number grouped as people read it (gateway/calls/shown_number.h), its control characters
// escaped.
std::string shownNumber(TextView number);

// Text in double quotes, escaped as escapedControls does, and \" \\ for quote and backslash.
std::string quoted(const Text& text);

}  // namespace velko::shell
