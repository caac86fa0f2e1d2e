#pragma once

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace velko::wintest {

// One CID_INFO record as a host reads it: field by field, by name, through IRecordInfo.
struct CidEntry {
    short lMonth = 0;
    short lDay = 0;
    short lHour = 0;
    short lMin = 0;
    std::wstring lNumber;
    std::wstring lName;
    short lGroup = 0;
    std::wstring lTelType;
    bool operator==(const CidEntry&) const = default;
};

// One argument of an event as it arrived: its variant type and what it held.
struct EventArgument {
    VARTYPE type = VT_EMPTY;
    std::wstring text;
    long number = 0;
    std::wstring recordName;  // the record type's name, for records and arrays of records
    LONG lowerBound = 0;
    LONG upperBound = -1;
    std::vector<CidEntry> records;
};

struct RecordedEvent {
    DISPID id = 0;
    std::vector<EventArgument> arguments;  // in declaration order
};

// An event sink for __velko_foxpro that records every event. It answers for the event
// interface and for IDispatch, and lives as long as its references.
class EventRecorder final : public IDispatch {
  public:
    static EventRecorder* create(const GUID& eventInterface);

    std::vector<RecordedEvent> events;
    // Runs inside each event, after it is recorded.
    std::function<void(DISPPARAMS& params)> onEvent;

    std::vector<RecordedEvent> named(DISPID id) const;

    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID interfaceId, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID member, REFIID interfaceId, LCID locale, WORD flags,
                        DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argumentError) override;

  private:
    explicit EventRecorder(const GUID& eventInterface) : eventInterface_(eventInterface) {}
    ~EventRecorder() = default;

    GUID eventInterface_;
    LONG references_ = 1;
};

}  // namespace velko::wintest
