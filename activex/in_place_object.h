#pragma once

#include <ole2.h>

#include "activex/form_placement.h"
#include "activex/inner_interfaces.h"

namespace velko::win32 {

// IOleInPlaceObject and IOleInPlaceActiveObject: the control while it is active in place on a
// form. It never becomes active in the user interface (it takes no focus and no keys), so it
// has no menus, borders or accelerators to offer.
class InPlaceObject final : public InnerInterfaces<IOleInPlaceObject, IOleInPlaceActiveObject> {
  public:
    InPlaceObject(IUnknown& owner, FormPlacement& placement)
        : InnerInterfaces(owner), placement_(placement) {}

    // IOleWindow, for both
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG message) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

  private:
    FormPlacement& placement_;
};

}  // namespace velko::win32
