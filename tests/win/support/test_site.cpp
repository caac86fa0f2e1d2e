#include "tests/win/support/test_site.h"

#include <olectl.h>

namespace velko::wintest {

TestSite* TestSite::create(HWND window) { return new TestSite(window); }

STDMETHODIMP TestSite::QueryInterface(REFIID interfaceId, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(interfaceId, IID_IOleWindow) ||
               IsEqualIID(interfaceId, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(interfaceId, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TestSite::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) TestSite::Release() {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP TestSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestSite::GetContainer(IOleContainer** container) {
    *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP TestSite::GetWindow(HWND* window) {
    *window = window_;
    return S_OK;
}

STDMETHODIMP TestSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                        LPRECT position, LPRECT clip,
                                        LPOLEINPLACEFRAMEINFO frameInfo) {
    *frame = nullptr;
    *document = nullptr;
    GetClientRect(window_, position);
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP TestSite::OnInPlaceDeactivate() {
    ++deactivations;
    if (touchedOnDeactivation != nullptr) {
        touchedOnDeactivation->AddRef();
        touchedOnDeactivation->Release();
    }
    return S_OK;
}

STDMETHODIMP TestSite::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

STDMETHODIMP TestSite::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                              EXCEPINFO*, UINT*) {
    if (member != DISPID_AMBIENT_USERMODE || (flags & DISPATCH_PROPERTYGET) == 0 ||
        result == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
    }
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = userMode ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace velko::wintest
