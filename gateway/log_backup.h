#pragma once

#include <string>

namespace velko::gateway {

// velko log --backup: copies the call log at `from` into the file `to` with SQLite's online
// backup, one snapshot of the whole log also while a gateway writes to it. `to` is made, or
// replaced, readable by its owner and group only; it may not be the log itself. Raises
// DatabaseError.
void backUpCallLog(const std::string& from, const std::string& to);

}  // namespace velko::gateway
