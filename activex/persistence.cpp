#include "activex/persistence.h"

#include "activex/module_identity.h"

namespace velko::win32 {

STDMETHODIMP Persistence::GetClassID(CLSID* classId) {
    if (classId == nullptr) return E_POINTER;
    *classId = kClassId;
    return S_OK;
}

STDMETHODIMP Persistence::InitNew() { return S_OK; }

STDMETHODIMP Persistence::IsDirty() { return S_FALSE; }

STDMETHODIMP Persistence::Load(LPSTREAM stream) { return stream != nullptr ? S_OK : E_POINTER; }

STDMETHODIMP Persistence::Save(LPSTREAM stream, BOOL) {
    return stream != nullptr ? S_OK : E_POINTER;
}

STDMETHODIMP Persistence::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP Persistence::Load(IPropertyBag* bag, IErrorLog*) {
    return bag != nullptr ? S_OK : E_POINTER;
}

STDMETHODIMP Persistence::Save(IPropertyBag* bag, BOOL, BOOL) {
    return bag != nullptr ? S_OK : E_POINTER;
}

}  // namespace velko::win32
