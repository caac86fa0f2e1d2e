#pragma once

#include <cstdint>

#include "control/cid_info.h"

namespace velko {

// A caller report (D or E) as the report decoder read it: every field the terminal sent, the
// caller's name included, which the text of ReceiveCallByString leaves out.
struct CallReport {
    int16_t callState = 0;  // 1 for report D, 2 for report E: ReceiveCallByString's callState
    CID_INFO call;          // the time fields as sent, the number, name, group and type word

    bool operator==(const CallReport&) const = default;
};

}  // namespace velko
