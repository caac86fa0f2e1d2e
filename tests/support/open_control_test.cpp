#include "support/open_control_test.h"

namespace velko::testing {

void OpenControlTest::SetUp() {
    ControlTest::SetUp();
    Text name = u"COM3";
    Text error;
    ASSERT_EQ(control.OpenVelko(name, error), 0);
}

}  // namespace velko::testing
