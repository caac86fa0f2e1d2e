#include "support/control_test.h"

#include "control/runtime_error.h"
#include "control/shared_state.h"

namespace velko::testing {

void ControlTest::SetUp() {
    velko_var() = SharedState{};
    clearPendingError();
    control.events().advise(sink);
}

void ControlTest::TearDown() {
    velko_var() = SharedState{};
    clearPendingError();
}

void ControlTest::decode(TextView body) {
    velko_var().gRxData.append(body);
    control.ProcessResponse();
}

void ControlTest::fillBuffer(TextView text) {
    velko_var().gRxData.clear();
    velko_var().gRxData.append(text);
}

Text ControlTest::buffer() { return Text(velko_var().gRxData.view()); }

}  // namespace velko::testing
