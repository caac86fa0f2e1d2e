#pragma once

#include <oaidl.h>
#include <ocidl.h>

#include "platform/win32/com/com_ref.h"

namespace velko::tools::win {

// The registered control, created by its programmatic identifier as a script host creates it,
// and reached through IDispatch only. Its event interface is the class's default source
// interface, found in the type information the control hands out. Throws ComFailure when the
// control cannot be created or has no connection point for its events.
class ComControl {
  public:
    static constexpr const wchar_t* kProgId = L"velko_for_fox_pro.velko_foxpro";

    ComControl();
    ~ComControl();
    ComControl(const ComControl&) = delete;
    ComControl& operator=(const ComControl&) = delete;

    IDispatch& dispatch() { return *dispatch_.get(); }
    const IID& eventInterface() const { return eventInterface_; }

    // Connects the sink to the events; it stays connected until the control goes.
    void advise(IDispatch& sink);

  private:
    IID findEventInterface(const CLSID& classId);

    win32::ComRef<IDispatch> dispatch_;
    IID eventInterface_{};
    win32::ComRef<IConnectionPoint> connectionPoint_;
    DWORD cookie_ = 0;
};

}  // namespace velko::tools::win
