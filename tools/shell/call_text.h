#pragma once

#include <string>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko::shell {

// Readable forms of the caller information the events carry.

// "03-05 09:07  0212345678  홍길동  group 2  NORMAL": date and time, number, name, group and
// type; the name and the type are left out when empty.
std::string describeCall(const CID_INFO& call);

// Text in double quotes, with \r \n \t \" \\ and \xHH for other control characters.
std::string quoted(const Text& text);

}  // namespace velko::shell
