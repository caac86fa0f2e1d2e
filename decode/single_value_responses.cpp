#include "decode/single_value_responses.h"

#include <array>

#include "control/conversions.h"
#include "decode/message_code.h"

namespace velko {

namespace {

struct PlainKey {
    char16_t key;
    bool discardBeforeEvent;
};

// The keys whose one value is passed on as read.
constexpr std::array<PlainKey, 10> kPlainKeys{{
    {u'f', true},
    {u'h', true},
    {u'i', true},
    {u'n', false},
    {u'q', false},
    {u'r', true},
    {u's', true},
    {u't', true},
    {u'u', true},
    {u'x', false},
}};

// Characters 1 and 2, the separator, characters 3 and 4: "0305" gives "03-05".
Text pairs(TextView field, char16_t separator) {
    Text result(middle(field, 1, 2));
    result += separator;
    result += middle(field, 3, 2);
    return result;
}

// The area answer names one of the sixteen areas: a single code character "a" to "f" stands
// for 10 to 15, anything else is read as a number.
int16_t areaIndex(TextView field) {
    if (field.size() == 1 && field[0] >= u'a' && field[0] <= u'f') {
        return static_cast<int16_t>(field[0] - u'a' + 10);
    }
    return numericField(field);
}

void decodeDate(_velko_foxpro& self, VelkoEvents& events) {
    const Text date = self.GetInformationWithoutIndicator();
    const Text time = self.GetInformationWithoutIndicator();
    events.DebugMsg(u"ldate=" + date + u"  ltime=" + time);
    self.EndMessageDiscard();
    events.ReceiveResponse(messageCode(u'd'), pairs(date, u'-'), pairs(time, u':'), u"");
}

void decodeTime(_velko_foxpro& self, VelkoEvents& events) {
    const Text time = self.GetInformationWithoutIndicator();
    self.EndMessageDiscard();
    events.ReceiveResponse(messageCode(u'e'), pairs(time, u':'), u"", u"");
}

void decodeArea(const SharedState& state, _velko_foxpro& self, VelkoEvents& events) {
    const Text field = self.GetInformationWithoutIndicator();
    self.EndMessageDiscard();
    const int16_t index = areaIndex(field);
    if (index < 0 || index >= kAreaCount) return;
    events.ReceiveResponse(messageCode(u'g'), state.gAreaCode.at(index), u"", u"");
}

}  // namespace

bool decodeSingleValue(char16_t key, const SharedState& state, _velko_foxpro& self,
                       VelkoEvents& events) {
    switch (key) {
        case u'd':
            decodeDate(self, events);
            return true;
        case u'e':
            decodeTime(self, events);
            return true;
        case u'g':
            decodeArea(state, self, events);
            return true;
        default:
            break;
    }
    for (const PlainKey& plain : kPlainKeys) {
        if (plain.key != key) continue;
        const Text value = self.GetInformationWithoutIndicator();
        if (plain.discardBeforeEvent) self.EndMessageDiscard();
        events.ReceiveResponse(messageCode(key), value, u"", u"");
        return true;
    }
    return false;
}

}  // namespace velko
