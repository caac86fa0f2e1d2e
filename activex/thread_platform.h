#pragma once

#include "link/platform.h"

namespace velko::win32 {

// The platform of the calling thread, shared by every control object on it. The first lease on
// a thread creates it and the last one destroys it, so that nothing of the module (window,
// timer, reader thread) outlives the objects that use it.
class PlatformLease {
  public:
    PlatformLease();
    PlatformLease(const PlatformLease&) = delete;
    PlatformLease& operator=(const PlatformLease&) = delete;
    ~PlatformLease();

    Platform& platform() { return platform_; }

  private:
    Platform& platform_;
};

}  // namespace velko::win32
