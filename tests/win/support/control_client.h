#pragma once

#include <ocidl.h>
#include <windows.h>

#include "platform/win32/com/com_ref.h"
#include "tests/win/support/event_recorder.h"
#include "velko_foxpro_h.h"

namespace velko::wintest {

using win32::ComRef;

inline constexpr const wchar_t* kProgId = L"velko_for_fox_pro.velko_foxpro";
// How long a test waits for an event or for bytes on the line.
inline constexpr DWORD kEventLimitMilliseconds = 5000;

// A control created the way a host creates it: by programmatic identifier, in process.
ComRef<IDispatch> createControl();

// Opens the control's port through OpenVelko; the test stops unless it opened without error.
void openPort(IDispatch& control, const wchar_t* port);
// Closes the control's port through CloseVelko; the result of the call.
HRESULT closePort(IDispatch& control);

template <typename T>
ComRef<T> queryInterface(IUnknown& object, REFIID interfaceId) {
    ComRef<T> result;
    object.QueryInterface(interfaceId, reinterpret_cast<void**>(result.put()));
    return result;
}

// An event recorder advised at a control's connection point for as long as it lives.
class AdvisedRecorder {
  public:
    explicit AdvisedRecorder(IDispatch& control);
    AdvisedRecorder(const AdvisedRecorder&) = delete;
    AdvisedRecorder& operator=(const AdvisedRecorder&) = delete;
    ~AdvisedRecorder();

    EventRecorder& recorder() { return *recorder_.get(); }
    void unadvise();

  private:
    ComRef<EventRecorder> recorder_;
    ComRef<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace velko::wintest
