#pragma once

#include <oaidl.h>

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko::win32 {

// The arguments of one event call to one sink, added in the order the event declares them.
// By-reference arguments point into storage of their own, which outlives the call; whatever a
// sink leaves there (the original or a replacement) is freed with the arguments.
class EventArguments {
  public:
    EventArguments() = default;
    EventArguments(const EventArguments&) = delete;
    EventArguments& operator=(const EventArguments&) = delete;
    ~EventArguments();

    void addString(const Text& value);
    void addStringRef(const Text& value);
    void addShort(int16_t value);
    void addShortRef(int16_t value);
    void addBool(bool value);
    void addRecordRef(IRecordInfo& record, const CID_INFO& value);
    void addRecordArrayRef(IRecordInfo& record, const CidList& value);

    // The arguments as IDispatch::Invoke takes them: last argument first.
    DISPPARAMS params();

  private:
    VARIANT& next();

    std::vector<VARIANT> arguments_;
    std::deque<BSTR> strings_;
    std::deque<SHORT> shorts_;
    std::deque<SAFEARRAY*> arrays_;
    std::vector<std::pair<IRecordInfo*, void*>> records_;
    std::vector<VARIANT> reversed_;
};

}  // namespace velko::win32
