#pragma once

#include <gtest/gtest.h>

#include "control/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/recording_sink.h"

namespace velko::testing {

// A control on the fake platform with its port open as COM3 and a recording sink advised. The
// thread's shared state starts and ends empty.
class OpenControlTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    FakePlatform platform;
    velko_foxpro control{platform};
    FakeSerialPort& port = *platform.lastPort;
    FakeTimer& timer = *platform.lastTimer;
    RecordingSink sink;
};

}  // namespace velko::testing
