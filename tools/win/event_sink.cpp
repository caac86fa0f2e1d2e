#include "tools/win/event_sink.h"

#include <vector>

#include "control/automation_table.h"
#include "control/runtime_error.h"
#include "tools/win/variants.h"

namespace velko::tools::win {

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID id, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
        IsEqualIID(id, eventInterface_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE EventSink::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE EventSink::Release() { return --references_; }

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

// Parameters arrive last first. An event the table does not know, or parameters that do not
// read as declared, are not reported; the failure goes back to the control, never an exception.
HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                            VARIANT*, EXCEPINFO*, UINT*) {
    const MemberInfo* event = findEvent(static_cast<int32_t>(id));
    if (event == nullptr) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr || params->cArgs != event->params.size()) return DISP_E_BADPARAMCOUNT;
    try {
        std::vector<Value> values;
        for (size_t i = 0; i < event->params.size(); ++i) {
            values.push_back(valueOf(params->rgvarg[params->cArgs - 1 - i], event->params[i].type));
        }
        output_.event(*event, values);
        return S_OK;
    } catch (const RuntimeError& error) {
        return error.number();
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace velko::tools::win
