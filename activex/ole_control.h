#pragma once

#include <ocidl.h>

#include "activex/form_placement.h"
#include "activex/inner_interfaces.h"

namespace velko::win32 {

// IOleControl: the control has no keyboard mnemonics; of the container's ambient properties it
// follows UserMode, which decides whether its picture shows.
class OleControl final : public InnerInterfaces<IOleControl> {
  public:
    OleControl(IUnknown& owner, FormPlacement& placement)
        : InnerInterfaces(owner), placement_(placement) {}

    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* message) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID property) override;
    // Events go out as they happen; a container that freezes them ignores what comes meanwhile.
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

  private:
    FormPlacement& placement_;
};

}  // namespace velko::win32
