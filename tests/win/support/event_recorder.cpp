#include "tests/win/support/event_recorder.h"

#include "tests/win/support/automation.h"

namespace velko::wintest {

namespace {

// A reference to a field inside the record. (GetField would copy it, but Wine 8 copies a
// BSTR field's pointer, not the string, so freeing that copy would free the record's string.)
VARIANT fieldOf(IRecordInfo& info, void* record, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    void* array = nullptr;
    info.GetFieldNoCopy(record, name, &value, &array);
    return value;
}

short shortField(IRecordInfo& info, void* record, const wchar_t* name) {
    const VARIANT value = fieldOf(info, record, name);
    return V_VT(&value) == (VT_I2 | VT_BYREF) ? *V_I2REF(&value) : short{-32768};
}

std::wstring textField(IRecordInfo& info, void* record, const wchar_t* name) {
    const VARIANT value = fieldOf(info, record, name);
    return V_VT(&value) == (VT_BSTR | VT_BYREF) ? textOf(*V_BSTRREF(&value)) : L"<not a BSTR>";
}

CidEntry readRecord(IRecordInfo& info, void* record) {
    return CidEntry{shortField(info, record, L"lMonth"), shortField(info, record, L"lDay"),
                    shortField(info, record, L"lHour"),  shortField(info, record, L"lMin"),
                    textField(info, record, L"lNumber"), textField(info, record, L"lName"),
                    shortField(info, record, L"lGroup"), textField(info, record, L"lTelType")};
}

std::wstring recordName(IRecordInfo& info) {
    BSTR name = nullptr;
    info.GetName(&name);
    const std::wstring result = textOf(name);
    SysFreeString(name);
    return result;
}

void readRecordArray(SAFEARRAY* array, EventArgument& argument) {
    if (array == nullptr) return;
    IRecordInfo* info = nullptr;
    if (FAILED(SafeArrayGetRecordInfo(array, &info))) return;
    argument.recordName = recordName(*info);
    SafeArrayGetLBound(array, 1, &argument.lowerBound);
    SafeArrayGetUBound(array, 1, &argument.upperBound);
    for (LONG i = argument.lowerBound; i <= argument.upperBound; ++i) {
        void* record = nullptr;
        if (SUCCEEDED(SafeArrayPtrOfIndex(array, &i, &record))) {
            argument.records.push_back(readRecord(*info, record));
        }
    }
    info->Release();
}

EventArgument snapshot(const VARIANT& passed) {
    EventArgument argument;
    argument.type = V_VT(&passed);
    switch (V_VT(&passed)) {
        case VT_BSTR:
            argument.text = textOf(V_BSTR(&passed));
            break;
        case VT_BSTR | VT_BYREF:
            argument.text = textOf(*V_BSTRREF(&passed));
            break;
        case VT_I2:
            argument.number = V_I2(&passed);
            break;
        case VT_I2 | VT_BYREF:
            argument.number = *V_I2REF(&passed);
            break;
        case VT_BOOL:
            argument.number = V_BOOL(&passed);
            break;
        case VT_RECORD | VT_BYREF:
            argument.recordName = recordName(*V_RECORDINFO(&passed));
            argument.records.push_back(readRecord(*V_RECORDINFO(&passed), V_RECORD(&passed)));
            break;
        case VT_ARRAY | VT_RECORD | VT_BYREF:
            readRecordArray(*V_ARRAYREF(&passed), argument);
            break;
        default:
            break;
    }
    return argument;
}

}  // namespace

EventRecorder* EventRecorder::create(const GUID& eventInterface) {
    return new EventRecorder(eventInterface);
}

std::vector<RecordedEvent> EventRecorder::named(DISPID id) const {
    std::vector<RecordedEvent> found;
    for (const RecordedEvent& event : events) {
        if (event.id == id) found.push_back(event);
    }
    return found;
}

STDMETHODIMP EventRecorder::QueryInterface(REFIID interfaceId, void** object) {
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDispatch) ||
        IsEqualIID(interfaceId, eventInterface_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventRecorder::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) EventRecorder::Release() {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP EventRecorder::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP EventRecorder::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) {
    RecordedEvent event{member, {}};
    for (UINT i = params->cArgs; i-- > 0;) event.arguments.push_back(snapshot(params->rgvarg[i]));
    events.push_back(std::move(event));
    if (onEvent) onEvent(*params);
    return S_OK;
}

}  // namespace velko::wintest
