#include "activex/records.h"

#include <cstddef>
#include <new>

#include "platform/win32/com/bstr_text.h"

namespace velko::win32 {

// The record as the type library of this architecture lays it out.
#ifdef _WIN64
static_assert(sizeof(::CID_INFO) == 40);
static_assert(offsetof(::CID_INFO, lNumber) == 8 && offsetof(::CID_INFO, lName) == 16 &&
              offsetof(::CID_INFO, lGroup) == 24 && offsetof(::CID_INFO, lTelType) == 32);
#else
static_assert(sizeof(::CID_INFO) == 24);
static_assert(offsetof(::CID_INFO, lNumber) == 8 && offsetof(::CID_INFO, lName) == 12 &&
              offsetof(::CID_INFO, lGroup) == 16 && offsetof(::CID_INFO, lTelType) == 20);
#endif

void fillRecord(::CID_INFO& record, const velko::CID_INFO& from) {
    record.lMonth = from.lMonth;
    record.lDay = from.lDay;
    record.lHour = from.lHour;
    record.lMin = from.lMin;
    record.lNumber = newBstr(from.lNumber);
    record.lName = newBstr(from.lName);
    record.lGroup = from.lGroup;
    record.lTelType = newBstr(from.lTelType);
}

SAFEARRAY* newRecordArray(IRecordInfo& record, const CidList& list) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), 0};
    SAFEARRAY* array = SafeArrayCreateEx(VT_RECORD, 1, &bound, &record);
    if (array == nullptr) throw std::bad_alloc();
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        throw std::bad_alloc();
    }
    auto* entries = static_cast<::CID_INFO*>(data);
    try {
        for (size_t i = 0; i < list.size(); ++i) fillRecord(entries[i], list[i]);
    } catch (...) {
        SafeArrayUnaccessData(array);
        SafeArrayDestroy(array);
        throw;
    }
    SafeArrayUnaccessData(array);
    return array;
}

}  // namespace velko::win32
