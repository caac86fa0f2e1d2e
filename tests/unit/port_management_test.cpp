#include <gtest/gtest.h>

#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "support/control_test.h"
#include "support/fake_platform.h"

namespace velko {
namespace {

class PortManagement : public testing::ControlTest {
  protected:
    int16_t open(Text name, Text* errorOut = nullptr) {
        Text error = u"untouched";
        const int16_t result = control.OpenVelko(name, error);
        if (errorOut) *errorOut = error;
        return result;
    }

    testing::FakeSerialPort& port = *platform.lastPort;
};

TEST_F(PortManagement, CreatingTheControlTouchesNothing) {
    EXPECT_FALSE(control.ComPortStateGet());
    EXPECT_FALSE(control.timerVelkoSync().enabled());
    EXPECT_EQ(velko_var().gAreaCode.at(0), u"");
}

TEST_F(PortManagement, OpensTheNumberAfterTheFirstThreeCharacters) {
    for (auto [name, number] :
         {std::pair{u"COM1", 1}, {u"com12", 12}, {u"XYZ4", 4}, {u"COM2.5", 2}, {u"COM3.5", 4}}) {
        Text error;
        EXPECT_EQ(open(name, &error), 0) << toUtf8(name);
        EXPECT_EQ(error, u"untouched");
        EXPECT_EQ(port.commPort, number);
        EXPECT_EQ(velko_var().gPortNo, number);
        EXPECT_EQ(port.settings, u"9600,n,8,1");
        EXPECT_EQ(port.handshaking, 0);
        EXPECT_EQ(port.rThreshold, 1);
        EXPECT_TRUE(control.ComPortStateGet());
        Text ignored;
        EXPECT_EQ(control.CloseVelko(ignored, ignored), 0);
        EXPECT_FALSE(control.ComPortStateGet());
    }
}

TEST_F(PortManagement, FailsWithTheNameAndOpenErrorAndStillFillsTheTables) {
    port.missingPorts = {9};
    for (const char16_t* name : {u"CO", u"COM", u"COM99999", u"", u"COM-1", u"COM9"}) {
        Text error;
        EXPECT_EQ(open(name, &error), 2) << toUtf8(name);
        EXPECT_EQ(error, Text(name) + u" open error");
        EXPECT_EQ(control.GetCurrentErrorMsg(), Text(name) + u" open error");
        EXPECT_EQ(control.GetCurrentErrorMsg(), u"");
        EXPECT_FALSE(pendingError().has_value());
    }
    EXPECT_FALSE(control.ComPortStateGet());
    EXPECT_EQ(velko_var().gAreaCode.at(15), u"064");
    EXPECT_EQ(velko_var().gCodeChar.at(15), u"f");
}

TEST_F(PortManagement, ReportsAnOpenPortWithoutChangingIt) {
    ASSERT_EQ(open(u"COM3"), 0);
    velko_var().gErrorMsg = u"earlier";
    Text error;
    EXPECT_EQ(open(u"COM5", &error), 1);
    EXPECT_EQ(error, u"COM5이 이미 열려 있슴");
    EXPECT_EQ(port.commPort, 3);
    EXPECT_EQ(velko_var().gPortNo, 3);
    EXPECT_EQ(velko_var().gErrorMsg, u"earlier");
    // The number is derived before the open port is noticed.
    EXPECT_EQ(open(u"CO", &error), 2);
    EXPECT_EQ(error, u"CO open error");
    EXPECT_TRUE(control.ComPortStateGet());
}

TEST_F(PortManagement, TxDataWritesTheTextUnchangedAndFailsOnAClosedPort) {
    Text data = u"AT\r";
    try {
        control.TxData(data);
        FAIL();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 8018);
    }
    // The failure stays the thread's pending error until a message replaces it.
    EXPECT_EQ(control.GetCurrentErrorMsg(), u"Operation valid only when the port is open");
    ASSERT_EQ(open(u"COM3"), 0);
    control.TxData(data);
    EXPECT_EQ(port.written, u"AT\r");
}

TEST_F(PortManagement, CloseAndEventTestAcceptAnything) {
    Text name = u"whatever";
    Text error = u"kept";
    EXPECT_EQ(control.CloseVelko(name, error), 0);
    EXPECT_EQ(error, u"kept");
    control.EventTest(name);
    EXPECT_EQ(name, u"whatever");
}

TEST_F(PortManagement, ControlsOnOneThreadShareTheErrorMessage) {
    velko_foxpro second{platform};
    EXPECT_EQ(open(u"CO"), 2);
    EXPECT_EQ(second.GetCurrentErrorMsg(), u"CO open error");
    EXPECT_EQ(control.GetCurrentErrorMsg(), u"");
}

}  // namespace
}  // namespace velko
