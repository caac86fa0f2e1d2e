#pragma once

#include <gtest/gtest.h>

#include "control_class/velko_foxpro.h"
#include "support/fake_platform.h"
#include "support/recording_sink.h"

namespace velko::testing {

// A control on the fake platform with a recording sink advised. The thread's shared state starts
// and ends empty.
class ControlTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Puts a response body into the receive buffer and decodes it.
    void decode(TextView body);
    // Replaces what the receive buffer holds.
    static void fillBuffer(TextView text);
    // What the receive buffer holds.
    static Text buffer();

    FakePlatform platform;
    velko_foxpro control{platform};
    RecordingSink sink;
};

}  // namespace velko::testing
