#include "activex/form_placement.h"

#include "activex/ambient.h"
#include "activex/picture.h"

namespace velko::win32 {

namespace {

constexpr LONG kHimetricPerInch = 2540;
constexpr LONG kPixelsPerInch = 96;

SIZEL defaultExtent() {
    return {MulDiv(kPictureDefaultSize.cx, kHimetricPerInch, kPixelsPerInch),
            MulDiv(kPictureDefaultSize.cy, kHimetricPerInch, kPixelsPerInch)};
}

}  // namespace

FormPlacement::FormPlacement() : extent_(defaultExtent()) {}

void FormPlacement::setClientSite(IOleClientSite* site) {
    site_ = ComRef<IOleClientSite>::share(site);
    ambientsChanged();
}

void FormPlacement::setUserMode(bool userMode) {
    userMode_ = userMode;
    showOrHide();
}

void FormPlacement::ambientsChanged() {
    if (site_) {
        if (const std::optional<bool> userMode = ambientUserMode(*site_)) userMode_ = *userMode;
    }
    showOrHide();
}

HRESULT FormPlacement::activateInPlace(IOleClientSite* activeSite, HWND parent,
                                       const RECT* position) {
    if (inPlaceActive()) {
        shown_ = true;
        showOrHide();
        return S_OK;
    }
    IOleClientSite* site = site_ ? site_.get() : activeSite;
    if (site == nullptr) return E_UNEXPECTED;
    ComRef<IOleInPlaceSite> inPlaceSite;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite,
                                    reinterpret_cast<void**>(inPlaceSite.put())))) {
        return E_NOTIMPL;
    }
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    const HRESULT activated = inPlaceSite->OnInPlaceActivate();
    if (FAILED(activated)) return activated;

    HWND container = parent;
    inPlaceSite->GetWindow(&container);
    RECT placed = position != nullptr ? *position : RECT{};
    ComRef<IOleInPlaceFrame> frame;
    ComRef<IOleInPlaceUIWindow> document;
    RECT sitePosition;
    RECT siteClip;
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    if (SUCCEEDED(inPlaceSite->GetWindowContext(frame.put(), document.put(), &sitePosition,
                                                &siteClip, &frameInfo))) {
        placed = sitePosition;
    }
    shown_ = true;
    window_ = PictureWindow::create(container, placed, pictureVisible());
    if (!window_) {
        const DWORD error = GetLastError();
        inPlaceSite->OnInPlaceDeactivate();
        return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    inPlaceSite_ = std::move(inPlaceSite);
    return S_OK;
}

void FormPlacement::deactivateInPlace() {
    if (!inPlaceActive()) return;
    window_.reset();
    const ComRef<IOleInPlaceSite> site = std::move(inPlaceSite_);
    site->OnInPlaceDeactivate();
}

void FormPlacement::hide() {
    shown_ = false;
    showOrHide();
}

void FormPlacement::setRects(const RECT& position, const RECT& clip) {
    if (!window_) return;
    window_->place(position);
    // The part outside the clipping rectangle stays hidden.
    RECT visible;
    IntersectRect(&visible, &position, &clip);
    if (EqualRect(&visible, &position)) {
        SetWindowRgn(window_->handle(), nullptr, TRUE);
        return;
    }
    OffsetRect(&visible, -position.left, -position.top);
    SetWindowRgn(window_->handle(), CreateRectRgnIndirect(&visible), TRUE);
}

void FormPlacement::showOrHide() {
    if (window_) window_->show(pictureVisible());
}

}  // namespace velko::win32
