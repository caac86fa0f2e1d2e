#include <gtest/gtest.h>

#include "gateway/system/loopback_host.h"

namespace velko::gateway {
namespace {

TEST(LoopbackHost, OnlyNamesAndAddressesOfThisMachine) {
    for (const char* host : {"localhost", "LocalHost.", "broker.localhost", "127.0.0.1",
                             "127.255.0.9", "::1", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(isLoopbackHost(host)) << host;
    }
    for (const char* host : {"localhost.example.com", "mylocalhost", "128.0.0.1", "10.0.0.1", "::2",
                             "::ffff:10.0.0.1", "127.0.0.1.example.com", ""}) {
        EXPECT_FALSE(isLoopbackHost(host)) << host;
    }
}

}  // namespace
}  // namespace velko::gateway
