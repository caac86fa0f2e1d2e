#pragma once

#include <ole2.h>

#include <memory>

#include "activex/picture_window.h"
#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

// The control's place on a container's form: its client site, whether the form runs or is
// being designed, the extent the container gave it, and its activation in place with the
// picture window. The picture shows only while the form is designed: at run time the control
// is active in place with its window hidden, invisible like the components it drives.
class FormPlacement {
  public:
    FormPlacement();
    FormPlacement(const FormPlacement&) = delete;
    FormPlacement& operator=(const FormPlacement&) = delete;
    ~FormPlacement() { deactivateInPlace(); }

    IOleClientSite* clientSite() const { return site_.get(); }
    // Takes the site (or lets it go, for null) and reads its ambient UserMode when it has one.
    void setClientSite(IOleClientSite* site);
    // The mode a container tells without a site to ask, as quick activation does.
    void setUserMode(bool userMode);
    // Reads the ambient UserMode again, after the container said that it changed.
    void ambientsChanged();

    // In HIMETRIC units.
    SIZEL extent() const { return extent_; }
    void setExtent(const SIZEL& extent) { extent_ = extent; }

    // Activates in place through the in-place site of the client site (or else of activeSite),
    // in the site's window at the site's position (or else in parent at position).
    HRESULT activateInPlace(IOleClientSite* activeSite, HWND parent, const RECT* position);
    void deactivateInPlace();
    // The picture window while active in place, else null.
    HWND window() const { return window_ ? window_->handle() : nullptr; }
    // Hides the picture until the next activation, as the verb Hide asks.
    void hide();
    void setRects(const RECT& position, const RECT& clip);

  private:
    bool inPlaceActive() const { return static_cast<bool>(inPlaceSite_); }
    bool pictureVisible() const { return shown_ && !userMode_; }
    void showOrHide();

    ComRef<IOleClientSite> site_;
    bool userMode_ = true;
    bool shown_ = false;
    SIZEL extent_;
    ComRef<IOleInPlaceSite> inPlaceSite_;
    std::unique_ptr<PictureWindow> window_;
};

}  // namespace velko::win32
