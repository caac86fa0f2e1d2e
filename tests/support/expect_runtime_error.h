#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "control/runtime_error.h"

namespace velko::testing {

// Runs the call and expects it to fail with the run-time error of that number.
template <typename Call>
void expectRuntimeError(int32_t number, Call&& call) {
    try {
        call();
        ADD_FAILURE() << "no failure";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), number);
    }
}

}  // namespace velko::testing
