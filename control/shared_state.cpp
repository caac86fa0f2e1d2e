#include "control/shared_state.h"

#include "control/runtime_error.h"

namespace velko {

namespace {

struct Area {
    const char16_t* code;
    const char16_t* region;
};

constexpr std::array<Area, kAreaCount> kAreas{{
    {u"02", u"서울"},
    {u"031", u"경기"},
    {u"032", u"인천"},
    {u"033", u"강원"},
    {u"041", u"충남"},
    {u"042", u"대전"},
    {u"043", u"충북"},
    {u"051", u"부산"},
    {u"052", u"울산"},
    {u"053", u"대구"},
    {u"054", u"경북"},
    {u"055", u"경남"},
    {u"061", u"전남"},
    {u"062", u"광주"},
    {u"063", u"전북"},
    {u"064", u"제주"},
}};

constexpr TextView kHexDigits = u"0123456789abcdef";

}  // namespace

Text& Table17::at(int index) {
    if (index < 0 || index >= kSlots) raiseSubscriptOutOfRange();
    return slots_[static_cast<size_t>(index)];
}

const Text& Table17::at(int index) const {
    if (index < 0 || index >= kSlots) raiseSubscriptOutOfRange();
    return slots_[static_cast<size_t>(index)];
}

SharedState& velko_var() {
    thread_local SharedState state;
    return state;
}

void fillLookupTables(SharedState& state) {
    for (int i = 0; i < kAreaCount; ++i) {
        const auto slot = static_cast<size_t>(i);
        state.gAreaCode.at(i) = kAreas[slot].code;
        state.gAreaName.at(i) = kAreas[slot].region;
        state.gCodeChar.at(i) = Text(1, kHexDigits[slot]);
    }
}

}  // namespace velko
