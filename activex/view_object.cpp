#include "activex/view_object.h"

#include "activex/picture.h"

namespace velko::win32 {

STDMETHODIMP ViewObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                              LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                              ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
    const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
    return paintPicture(dc, area) ? S_OK : E_FAIL;
}

STDMETHODIMP ViewObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                     LOGPALETTE** colours) {
    if (colours == nullptr) return E_POINTER;
    *colours = nullptr;
    return S_FALSE;
}

STDMETHODIMP ViewObject::Freeze(DWORD, LONG, void*, DWORD* freeze) {
    if (freeze == nullptr) return E_POINTER;
    *freeze = 0;
    return E_NOTIMPL;
}

STDMETHODIMP ViewObject::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP ViewObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    adviseAspects_ = aspects;
    adviseFlags_ = flags;
    adviseSink_ = ComRef<IAdviseSink>::share(sink);
    if (adviseSink_ && (flags & ADVF_PRIMEFIRST) != 0) {
        adviseSink_->OnViewChange(DVASPECT_CONTENT, -1);
    }
    return S_OK;
}

STDMETHODIMP ViewObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects != nullptr) *aspects = adviseAspects_;
    if (flags != nullptr) *flags = adviseFlags_;
    if (sink != nullptr) *sink = ComRef<IAdviseSink>(adviseSink_).detach();
    return S_OK;
}

STDMETHODIMP ViewObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    *size = placement_.extent();
    return S_OK;
}

}  // namespace velko::win32
