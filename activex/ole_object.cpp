#include "activex/ole_object.h"

#include "activex/error_result.h"
#include "activex/module_identity.h"

namespace velko::win32 {

STDMETHODIMP OleObject::SetClientSite(IOleClientSite* site) {
    return guarded([&] { placement_.setClientSite(site); });
}

STDMETHODIMP OleObject::GetClientSite(IOleClientSite** site) {
    if (site == nullptr) return E_POINTER;
    *site = ComRef<IOleClientSite>::share(placement_.clientSite()).detach();
    return S_OK;
}

STDMETHODIMP OleObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP OleObject::Close(DWORD) {
    // Nothing is ever unsaved: every save option closes the same way.
    placement_.deactivateInPlace();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP OleObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP OleObject::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker == nullptr) return E_POINTER;
    *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP OleObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP OleObject::GetClipboardData(DWORD, IDataObject** data) {
    if (data == nullptr) return E_POINTER;
    *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP OleObject::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                               LPCRECT position) {
    switch (verb) {
        case OLEIVERB_HIDE:
            placement_.hide();
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
            return S_OK;
        case OLEIVERB_INPLACEACTIVATE:
            return guarded(
                [&] { return placement_.activateInPlace(activeSite, parent, position); });
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
            break;
        default:
            // Other negative verbs (open, properties) are not supported; an unknown positive
            // verb acts as the primary one.
            if (verb < 0) return E_NOTIMPL;
            break;
    }
    return guarded([&] {
        HRESULT result = placement_.activateInPlace(activeSite, parent, position);
        if (SUCCEEDED(result) && placement_.clientSite() != nullptr) {
            placement_.clientSite()->ShowObject();
        }
        if (SUCCEEDED(result) && verb > 0) result = OLEOBJ_S_INVALIDVERB;
        return result;
    });
}

STDMETHODIMP OleObject::EnumVerbs(IEnumOLEVERB** verbs) { return OleRegEnumVerbs(kClassId, verbs); }

STDMETHODIMP OleObject::Update() { return S_OK; }

STDMETHODIMP OleObject::IsUpToDate() { return S_OK; }

STDMETHODIMP OleObject::GetUserClassID(CLSID* classId) {
    if (classId == nullptr) return E_POINTER;
    *classId = kClassId;
    return S_OK;
}

STDMETHODIMP OleObject::GetUserType(DWORD form, LPOLESTR* userType) {
    return OleRegGetUserType(kClassId, form, userType);
}

STDMETHODIMP OleObject::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    placement_.setExtent(*size);
    return S_OK;
}

STDMETHODIMP OleObject::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size == nullptr) return E_POINTER;
    *size = placement_.extent();
    return S_OK;
}

HRESULT OleObject::adviseHolder(IOleAdviseHolder** holder) {
    if (!adviseHolder_) {
        const HRESULT created = CreateOleAdviseHolder(adviseHolder_.put());
        if (FAILED(created)) return created;
    }
    *holder = adviseHolder_.get();
    return S_OK;
}

STDMETHODIMP OleObject::Advise(IAdviseSink* sink, DWORD* connection) {
    IOleAdviseHolder* holder = nullptr;
    const HRESULT created = adviseHolder(&holder);
    return FAILED(created) ? created : holder->Advise(sink, connection);
}

STDMETHODIMP OleObject::Unadvise(DWORD connection) {
    return adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP OleObject::EnumAdvise(IEnumSTATDATA** advises) {
    IOleAdviseHolder* holder = nullptr;
    const HRESULT created = adviseHolder(&holder);
    return FAILED(created) ? created : holder->EnumAdvise(advises);
}

STDMETHODIMP OleObject::GetMiscStatus(DWORD aspect, DWORD* status) {
    if (status == nullptr) return E_POINTER;
    *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
    return S_OK;
}

STDMETHODIMP OleObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

}  // namespace velko::win32
