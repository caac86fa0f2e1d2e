#pragma once

#include <ocidl.h>

#include "activex/connection_point.h"
#include "activex/form_placement.h"
#include "activex/inner_interfaces.h"
#include "activex/view_object.h"

namespace velko::win32 {

// IQuickActivate: a container hands over its site, its sinks and its ambient properties in one
// call, and learns the control's status in return.
class QuickActivation final : public InnerInterfaces<IQuickActivate> {
  public:
    QuickActivation(IUnknown& owner, FormPlacement& placement, ViewObject& view,
                    ConnectionPoint& events)
        : InnerInterfaces(owner), placement_(placement), view_(view), events_(events) {}

    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;

  private:
    FormPlacement& placement_;
    ViewObject& view_;
    ConnectionPoint& events_;
};

}  // namespace velko::win32
