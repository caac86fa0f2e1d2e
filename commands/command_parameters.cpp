#include "commands/command_parameters.h"

#include "control/conversions.h"

namespace velko {

namespace {

constexpr uint8_t kDateAndTime = 68;
constexpr uint8_t kTime = 69;
constexpr uint8_t kAlarmMelody = 70;
constexpr uint8_t kAreaCode = 71;

constexpr TextView kDateMessage = u"날짜 형식이 맞지 않음(형식 MM-DD), 입력값=";
constexpr TextView kTimeMessage = u"시간 형식이 맞지 않음(형식 HH:MM), 입력값=";
constexpr TextView kMelodyLabel = u"멜로디 번호:";
constexpr TextView kMelodyMessage = u"알람 멜로디 번호가 1~6 범위 내에 있지 않습니다.";
constexpr TextView kAreaMessageHead = u"지역번호가 잘못 입력되었습니다. 입력된 지역번호는 ";
constexpr TextView kAreaMessageTail = u" 입니다.";

// MM-DD or HH:MM: exactly five characters with the separator third; the others are not tested.
bool hasPairForm(const Text& text, char16_t separator) {
    return text.size() == 5 && text[2] == separator;
}

Text withoutSeparator(const Text& text) { return text.substr(0, 2) + text.substr(3, 2); }

Text joined(TextView head, const Text& tail) { return Text(head) + tail; }

// Both tests always run. A time message follows a date message of the same call after CR LF;
// otherwise it stands alone.
bool prepareDateAndTime(SharedState& state, Text& date, Text& time) {
    const bool dateFits = hasPairForm(date, u'-');
    const bool timeFits = hasPairForm(time, u':');
    if (!dateFits) state.gErrorMsg = joined(kDateMessage, date);
    if (!timeFits) {
        const Text timeMessage = joined(kTimeMessage, time);
        state.gErrorMsg = dateFits ? timeMessage : state.gErrorMsg + Text(kCRLF) + timeMessage;
    }
    if (!dateFits || !timeFits) return false;
    date = withoutSeparator(date);
    time = withoutSeparator(time);
    return true;
}

bool prepareTime(SharedState& state, Text& time) {
    if (!hasPairForm(time, u':')) {
        state.gErrorMsg = joined(kTimeMessage, time);
        return false;
    }
    time = withoutSeparator(time);
    return true;
}

// The number is compared as read, without rounding it to an integer: 1.5 and 5x pass, 6.5 fails.
bool testMelody(SharedState& state, VelkoEvents& events, const Text& melody) {
    events.DebugMsg(joined(kMelodyLabel, melody));
    const double number = leadingNumber(melody);
    if (number >= 1 && number <= 6) return true;
    state.gErrorMsg = Text(kMelodyMessage);
    return false;
}

// The first area code equal to the text, in table order, gives its code character.
bool prepareArea(SharedState& state, Text& area) {
    for (int index = 0; index < kAreaCount; ++index) {
        if (state.gAreaCode.at(index) == area) {
            area = state.gCodeChar.at(index);
            return true;
        }
    }
    state.gErrorMsg = joined(kAreaMessageHead, area) + Text(kAreaMessageTail);
    return false;
}

}  // namespace

bool prepareParameters(SharedState& state, VelkoEvents& events, uint8_t cmd, Text& para1,
                       Text& para2) {
    switch (cmd) {
        case kDateAndTime:
            return prepareDateAndTime(state, para1, para2);
        case kTime:
            return prepareTime(state, para1);
        case kAlarmMelody:
            return testMelody(state, events, para1);
        case kAreaCode:
            return prepareArea(state, para1);
        default:
            return true;
    }
}

}  // namespace velko
