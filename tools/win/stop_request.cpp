#include "tools/win/stop_request.h"

namespace velko::tools::win {

namespace {

// The handler runs on a thread of the system's; the lock keeps it from the request's end.
SRWLOCK lock = SRWLOCK_INIT;
StopRequest* active = nullptr;

}  // namespace

StopRequest::StopRequest(win32::MessageWindow& window)
    : window_(window), id_(window.subscribe([this] { notifyRequest(); })) {
    AcquireSRWLockExclusive(&lock);
    active = this;
    ReleaseSRWLockExclusive(&lock);
    SetConsoleCtrlHandler(&StopRequest::onControl, TRUE);
}

StopRequest::~StopRequest() {
    SetConsoleCtrlHandler(&StopRequest::onControl, FALSE);
    AcquireSRWLockExclusive(&lock);
    active = nullptr;
    ReleaseSRWLockExclusive(&lock);
    window_.unsubscribe(id_);
}

bool StopRequest::requested() const {
    AcquireSRWLockShared(&lock);
    const bool requested = requested_;
    ReleaseSRWLockShared(&lock);
    return requested;
}

// Wakes the loop with a notification that tells whoever listens on the control's thread.
BOOL WINAPI StopRequest::onControl(DWORD) {
    AcquireSRWLockExclusive(&lock);
    if (active != nullptr) {
        active->requested_ = true;
        active->window_.post(active->id_);
    }
    ReleaseSRWLockExclusive(&lock);
    return TRUE;
}

}  // namespace velko::tools::win
