#include "sim/terminal_state.h"

namespace velko::sim {

namespace {

// The group names in CP949, the terminal's encoding.
std::vector<Group> factoryGroups() {
    return {
        {1, "\xB0\xA1\xC1\xB7", "0200000001"},          // 가족
        {2, "\xC4\xA3\xB1\xB8", "0200000002"},          // 친구
        {3, "\xC8\xB8\xBB\xE7", "0200000003"},          // 회사
        {4, "\xB0\xC5\xB7\xA1\xC3\xB3", "0200000004"},  // 거래처
        {5, "VIP", "0200000005"},
        {6, "\xB1\xE2\xC5\xB8", "0200000006"},  // 기타
    };
}

}  // namespace

TerminalState::TerminalState(std::chrono::sys_seconds start, Clock::time_point now,
                             std::size_t callMemory)
    : clock(start, now), callMemory(callMemory), groups(factoryGroups()) {}

}  // namespace velko::sim
