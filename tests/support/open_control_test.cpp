#include "support/open_control_test.h"

#include "control/runtime_error.h"
#include "control/shared_state.h"

namespace velko::testing {

void OpenControlTest::SetUp() {
    velko_var() = SharedState{};
    clearPendingError();
    control.events().advise(sink);
    Text name = u"COM3";
    Text error;
    ASSERT_EQ(control.OpenVelko(name, error), 0);
}

void OpenControlTest::TearDown() {
    velko_var() = SharedState{};
    clearPendingError();
}

}  // namespace velko::testing
