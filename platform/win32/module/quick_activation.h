#pragma once

#include <ocidl.h>

#include "platform/win32/module/connection_point.h"
#include "platform/win32/module/form_placement.h"
#include "platform/win32/module/inner_interfaces.h"
#include "platform/win32/module/view_object.h"

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
