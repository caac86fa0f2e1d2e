#include "activex/in_place_object.h"

namespace velko::win32 {

STDMETHODIMP InPlaceObject::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = placement_.window();
    return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP InPlaceObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP InPlaceObject::InPlaceDeactivate() {
    placement_.deactivateInPlace();
    return S_OK;
}

STDMETHODIMP InPlaceObject::UIDeactivate() { return S_OK; }

STDMETHODIMP InPlaceObject::SetObjectRects(LPCRECT position, LPCRECT clip) {
    if (position == nullptr || clip == nullptr) return E_POINTER;
    placement_.setRects(*position, *clip);
    return S_OK;
}

STDMETHODIMP InPlaceObject::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

STDMETHODIMP InPlaceObject::TranslateAccelerator(LPMSG) { return S_FALSE; }

STDMETHODIMP InPlaceObject::OnFrameWindowActivate(BOOL) { return S_OK; }

STDMETHODIMP InPlaceObject::OnDocWindowActivate(BOOL) { return S_OK; }

STDMETHODIMP InPlaceObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }

STDMETHODIMP InPlaceObject::EnableModeless(BOOL) { return S_OK; }

}  // namespace velko::win32
