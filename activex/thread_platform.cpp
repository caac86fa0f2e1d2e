#include "activex/thread_platform.h"

#include "platform/win32/runtime/win32_platform.h"
#include "platform/win32/share/desk_shares.h"

namespace velko::win32 {

namespace {

thread_local Win32Platform* threadPlatform = nullptr;
thread_local int threadLeases = 0;

Platform& acquire() {
    if (threadPlatform == nullptr) threadPlatform = new Win32Platform(deskShares());
    ++threadLeases;
    return *threadPlatform;
}

}  // namespace

PlatformLease::PlatformLease() : platform_(acquire()) {}

PlatformLease::~PlatformLease() {
    if (--threadLeases == 0) {
        delete threadPlatform;
        threadPlatform = nullptr;
    }
}

}  // namespace velko::win32
