#include "control/automation_table.h"

#include <gtest/gtest.h>

#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "support/expect_runtime_error.h"
#include "support/fake_platform.h"

namespace velko {
namespace {

TEST(AutomationTable, InvokesByNameCaseInsensitivelyAndByDispid) {
    velko_var() = SharedState{};
    testing::FakePlatform platform;
    velko_foxpro control{platform};
    std::vector<Value> args{Value{Text(u"CO")}, Value{Text()}};
    EXPECT_EQ(std::get<int16_t>(invoke(control, "openvelko", args)), 2);
    EXPECT_EQ(std::get<Text>(args[1]), u"CO open error");
    std::vector<Value> none;
    EXPECT_EQ(std::get<Text>(invoke(control, 0x60030005, none)), u"CO open error");

    testing::expectRuntimeError(dispatch_error::kMemberNotFound,
                                [&] { invoke(control, 0x60030007, none); });
    testing::expectRuntimeError(dispatch_error::kUnknownName,
                                [&] { invoke(control, "NoSuchMethod", none); });
    testing::expectRuntimeError(dispatch_error::kBadParamCount,
                                [&] { invoke(control, "OpenVelko", none); });
    std::vector<Value> wrongType{Value{int16_t{3}}, Value{Text()}};
    testing::expectRuntimeError(dispatch_error::kTypeMismatch,
                                [&] { invoke(control, "OpenVelko", wrongType); });

    // Omitted optional parameters of SendCmd read as empty texts.
    std::vector<Value> onlyCmd{Value{uint8_t{'d'}}};
    EXPECT_EQ(std::get<bool>(invoke(control, "SendCmd", onlyCmd)), false);
    velko_var() = SharedState{};
}

TEST(AutomationTable, ListsTheMethodsInSlotOrderWithTheirDispids) {
    const auto methods = methodTable();
    ASSERT_EQ(methods.size(), 31u);
    EXPECT_EQ(methods[0].name, "OpenVelko");
    EXPECT_EQ(methods[6].dispid, 0x60030006);
    EXPECT_EQ(methods[7].name, "ProcessReport");
    EXPECT_EQ(methods[7].dispid, 0x60030008);
    EXPECT_EQ(methods[11].dispid, 0x6003000C);
    // The members that read the last call and list follow, each with the next dispatch id.
    EXPECT_EQ(methods[12].name, "LastCallState");
    EXPECT_EQ(methods[30].name, "LastListTelType");
    for (size_t i = 12; i < methods.size(); ++i) {
        EXPECT_EQ(methods[i].dispid, methods[i - 1].dispid + 1) << methods[i].name;
    }
    EXPECT_FALSE(methods[8].params[0].byRef);
    EXPECT_TRUE(methods[3].params[3].optional);
    EXPECT_EQ(eventTable().size(), 7u);
    EXPECT_EQ(eventTable()[6].name, "ReceiveGatheredInfo");
}

}  // namespace
}  // namespace velko
