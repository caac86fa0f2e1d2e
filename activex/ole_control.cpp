#include "activex/ole_control.h"

#include <olectl.h>

#include "activex/error_result.h"

namespace velko::win32 {

STDMETHODIMP OleControl::GetControlInfo(CONTROLINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP OleControl::OnMnemonic(MSG*) { return E_NOTIMPL; }

STDMETHODIMP OleControl::OnAmbientPropertyChange(DISPID property) {
    if (property != DISPID_AMBIENT_USERMODE && property != DISPID_UNKNOWN) return S_OK;
    return guarded([&] { placement_.ambientsChanged(); });
}

STDMETHODIMP OleControl::FreezeEvents(BOOL) { return S_OK; }

}  // namespace velko::win32
