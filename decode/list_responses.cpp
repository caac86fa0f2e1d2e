#include "decode/list_responses.h"

#include <memory>

#include "control/conversions.h"
#include "decode/caller_fields.h"
#include "decode/message_code.h"

namespace velko {

namespace {

constexpr int16_t kTitledLimit = 60;
constexpr int16_t kGroupLimit = 6;

// Call records: each of the five titled fields read and stored; an empty time ends the list.
int16_t readCalls(_velko_foxpro& self, CidList& records) {
    int16_t count = 0;
    while (count < kTitledLimit) {
        const Text time = self.GetInformationWithIndicator(u"Time:");
        if (time.empty()) break;
        CID_INFO& record = records[static_cast<size_t>(count)];
        fillTimeValue(record, time);
        record.lNumber = self.GetInformationWithIndicator(u"Number:");
        readCallerDetails(self, record);
        ++count;
    }
    return count;
}

// Rejected numbers: an empty number ends the list; the time already stored in the uncounted
// entry stays there.
int16_t readRejected(_velko_foxpro& self, CidList& records) {
    int16_t count = 0;
    while (count < kTitledLimit) {
        CID_INFO& record = records[static_cast<size_t>(count)];
        fillTimeValue(record, self.GetInformationWithIndicator(u"Time:"));
        record.lNumber = self.GetInformationWithIndicator(u"Number:");
        if (record.lNumber.empty()) break;
        readCallerDetails(self, record);
        ++count;
    }
    return count;
}

// Numbers with name and group; time and type are read past. An empty number ends the list.
int16_t readNumbers(_velko_foxpro& self, CidList& records) {
    int16_t count = 0;
    while (count < kTitledLimit) {
        CID_INFO& record = records[static_cast<size_t>(count)];
        self.GetInformationWithIndicator(u"Time:");
        record.lNumber = self.GetInformationWithIndicator(u"Number:");
        if (record.lNumber.empty()) break;
        record.lName = self.GetInformationWithIndicator(u"Name:");
        record.lGroup = numericField(self.GetInformationWithIndicator(u"Group:"));
        self.GetInformationWithIndicator(u"Type:");
        ++count;
    }
    return count;
}

// Group names: a line with the group 1 to 6, then a line with its name. Any other number ends
// the list, its line consumed.
int16_t readGroups(_velko_foxpro& self, CidList& records) {
    int16_t count = 0;
    while (count < kGroupLimit) {
        const int16_t group = numericField(self.GetInformationWithoutIndicator());
        if (group < 1 || group > kGroupLimit) break;
        CID_INFO& record = records[static_cast<size_t>(count)];
        record.lGroup = group;
        record.lName = self.GetInformationWithoutIndicator();
        ++count;
    }
    return count;
}

using ListReader = int16_t (*)(_velko_foxpro&, CidList&);

ListReader readerFor(char16_t key) {
    switch (key) {
        case u'a':
            return readCalls;
        case u'j':
            return readRejected;
        case u'o':
            return readNumbers;
        case u'p':
            return readGroups;
        default:
            return nullptr;
    }
}

}  // namespace

bool decodeList(char16_t key, _velko_foxpro& self, VelkoEvents& events) {
    const ListReader read = readerFor(key);
    if (!read) return false;
    const auto records = std::make_unique<CidList>();
    int16_t max = read(self, *records);
    if (key == u'j') {
        // The rejected-number list reports its count and removes its message before the event.
        events.DebugMsg(u"거부 번호 갯수:" + decimalText(max));
        self.EndMessageDiscard();
    }
    int16_t kind = messageCode(key);
    events.ReceiveGatheredInfo(max, kind, *records);
    return true;
}

}  // namespace velko
