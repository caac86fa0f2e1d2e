#include "activex/event_arguments.h"

#include <algorithm>
#include <new>

#include "activex/records.h"
#include "platform/win32/com/bstr_text.h"

namespace velko::win32 {

EventArguments::~EventArguments() {
    for (VARIANT& argument : arguments_) VariantClear(&argument);
    for (BSTR value : strings_) SysFreeString(value);
    for (SAFEARRAY* array : arrays_) SafeArrayDestroy(array);
    for (auto [info, data] : records_) {
        if (data != nullptr) info->RecordDestroy(data);
    }
}

VARIANT& EventArguments::next() {
    VARIANT& argument = arguments_.emplace_back();
    VariantInit(&argument);
    return argument;
}

// Each argument takes its place (and its storage) before what it holds is made, so that whatever
// is made is freed with the arguments even when making the next part fails.

void EventArguments::addString(const Text& value) {
    VARIANT& argument = next();
    V_BSTR(&argument) = newBstr(value);
    V_VT(&argument) = VT_BSTR;
}

void EventArguments::addStringRef(const Text& value) {
    BSTR& slot = strings_.emplace_back(nullptr);
    slot = newBstr(value);
    VARIANT& argument = next();
    V_VT(&argument) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&argument) = &slot;
}

void EventArguments::addShort(int16_t value) {
    VARIANT& argument = next();
    V_VT(&argument) = VT_I2;
    V_I2(&argument) = value;
}

void EventArguments::addShortRef(int16_t value) {
    SHORT& slot = shorts_.emplace_back(value);
    VARIANT& argument = next();
    V_VT(&argument) = VT_I2 | VT_BYREF;
    V_I2REF(&argument) = &slot;
}

void EventArguments::addBool(bool value) {
    VARIANT& argument = next();
    V_VT(&argument) = VT_BOOL;
    V_BOOL(&argument) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void EventArguments::addRecordRef(IRecordInfo& record, const CID_INFO& value) {
    void*& data = records_.emplace_back(&record, nullptr).second;
    data = record.RecordCreate();
    if (data == nullptr) throw std::bad_alloc();
    fillRecord(*static_cast<::CID_INFO*>(data), value);
    VARIANT& argument = next();
    V_VT(&argument) = VT_RECORD | VT_BYREF;
    V_RECORD(&argument) = data;
    V_RECORDINFO(&argument) = &record;
}

void EventArguments::addRecordArrayRef(IRecordInfo& record, const CidList& value) {
    SAFEARRAY*& slot = arrays_.emplace_back(nullptr);
    slot = newRecordArray(record, value);
    VARIANT& argument = next();
    V_VT(&argument) = VT_ARRAY | VT_RECORD | VT_BYREF;
    V_ARRAYREF(&argument) = &slot;
}

DISPPARAMS EventArguments::params() {
    reversed_.assign(arguments_.rbegin(), arguments_.rend());
    return DISPPARAMS{reversed_.data(), nullptr, static_cast<UINT>(reversed_.size()), 0};
}

}  // namespace velko::win32
