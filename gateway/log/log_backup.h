#pragma once

#include <string>

namespace velko::gateway {

// velko log --backup: copies the call log at `from` into the file `to` with SQLite's online
// backup, one snapshot of the whole log also while a gateway writes to it. `to` is made readable
// by its owner and group only (0640). A file there is replaced only when it is empty or a call
// log (an earlier copy), and its mode loses what goes beyond 0640, never gaining anything; it
// may not be the log itself. Raises DatabaseError, and then leaves `to` as it was: the file
// made is removed, the file there keeps its bytes and its mode.
void backUpCallLog(const std::string& from, const std::string& to);

}  // namespace velko::gateway
