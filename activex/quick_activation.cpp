#include "activex/quick_activation.h"

#include <cstddef>

#include "activex/error_result.h"
#include "activex/module_identity.h"

namespace velko::win32 {

namespace {

// Containers written before the structure grew pass a shorter one; what the control reads
// ends with the ambient flags.
constexpr ULONG kSmallestContainer = offsetof(QACONTAINER, dwAmbientFlags) + sizeof(DWORD);

}  // namespace

STDMETHODIMP QuickActivation::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (container == nullptr || control == nullptr) return E_POINTER;
    if (container->cbSize < kSmallestContainer || control->cbSize < sizeof(QACONTROL)) {
        return E_INVALIDARG;
    }
    return guarded([&] {
        placement_.setUserMode((container->dwAmbientFlags & QACONTAINER_USERMODE) != 0);
        placement_.setClientSite(container->pClientSite);
        if (container->pAdviseSink != nullptr) {
            view_.SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
        }
        control->dwEventCookie = 0;
        if (container->pUnkEventSink != nullptr) {
            events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
        }
        // The control has no properties to report changes of.
        control->dwPropNotifyCookie = 0;
        control->dwMiscStatus = kMiscStatus;
        control->dwViewStatus = VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND;
        control->dwPointerActivationPolicy = 0;
    });
}

STDMETHODIMP QuickActivation::SetContentExtent(LPSIZEL size) {
    if (size == nullptr) return E_POINTER;
    placement_.setExtent(*size);
    return S_OK;
}

STDMETHODIMP QuickActivation::GetContentExtent(LPSIZEL size) {
    if (size == nullptr) return E_POINTER;
    *size = placement_.extent();
    return S_OK;
}

}  // namespace velko::win32
