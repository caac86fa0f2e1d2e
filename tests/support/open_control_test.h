#pragma once

#include "support/control_test.h"

namespace velko::testing {

// A control on the fake platform with its port open as COM3 and a recording sink advised. The
// thread's shared state starts and ends empty.
class OpenControlTest : public ControlTest {
  protected:
    void SetUp() override;

    FakeSerialPort& port = *platform.lastPort;
    FakeTimer& timer = *platform.lastTimer;
};

}  // namespace velko::testing
