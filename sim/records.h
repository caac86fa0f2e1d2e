#pragma once

#include <chrono>
#include <string>

namespace velko::sim {

// One call as the terminal keeps it: in its call memory, in its list of rejected numbers, or as
// a report. Texts are bytes as they go on the line (names in CP949).
struct CallRecord {
    std::chrono::sys_seconds time;
    std::string number;
    std::string name;
    std::string group;
    std::string type;
};

// A call coming in on the telephone line. Kind "D" is an incoming call, "E" another call event;
// the texts are bytes as they go on the line (the name in CP949).
struct IncomingCall {
    char kind = 'D';
    std::string number{};
    std::string name{};
    std::string group = "0";
    std::string type = "S";
};

// One of the terminal's six caller groups, numbered 1 to 6, with its name and the number the
// group dials.
struct Group {
    int number;
    std::string name;
    std::string dialNumber;
};

}  // namespace velko::sim
