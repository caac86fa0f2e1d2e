#include <gtest/gtest.h>

#include "gateway/outputs/ncid_lines.h"

namespace velko::gateway {
namespace {

Call callFrom(std::string number, std::string name, std::string type = "NORMAL") {
    Call call;
    call.month = 3;
    call.day = 5;
    call.hour = 9;
    call.minute = 7;
    call.time = "2026-03-05T09:07:00+09:00";
    call.number = std::move(number);
    call.name = std::move(name);
    call.type = std::move(type);
    call.line = "shop";
    return call;
}

TEST(NcidLines, ValuesCannotCutFieldsOrTriggerTheServersKeywords) {
    EXPECT_EQ(
        ncidCallLine(callFrom("02.123+++++4*5", "RING\r\nCALLOUT")),
        "CALL: ###DATE03050907...CALLIN...LINEshop...NMBR02-123++\uFF0B\uFF0B\uFF0B4\uFF0A5..."
        "NAMERing  Callout+++");
    EXPECT_EQ(ncidCallLine(callFrom("02NAME1", "CALLBLK or CALLHUP...+")),
              "CALL: ###DATE03050907...CALLIN...LINEshop...NMBR02Name1...NAMEcallblk or "
              "Callhup\u2026\uFF0B+++");
    // "NMBR" followed by "ING" would read "RING"; "NAME" followed by "CALL" "ECALL".
    EXPECT_EQ(ncidCallLine(callFrom("ING", "CALL")),
              "CALL: ###DATE03050907...CALLIN...LINEshop...NMBRing...NAMEcall+++");
    EXPECT_EQ(ncidCallLine(callFrom("5", "NO NAME", "NO_GATHER")),
              "CALL: ###DATE03050907...CALLIN...LINEshop...NMBR(5)...NAMENO Name+++");
    EXPECT_EQ(ncidCallLine(callFrom("", "x", "NO_GATHER")),
              "CALL: ###DATE03050907...CALLIN...LINEshop...NMBROUT-OF-AREA...NAME(x)+++");
    Call unknownDate = callFrom("", "", "BLACK");
    unknownDate.time.reset();
    EXPECT_EQ(ncidCallLine(unknownDate),
              "CALL: ###DATE...CALLBLK...LINEshop...NMBRNO-NUMBER...NAMENO NAME+++");
}

TEST(NcidLines, NamesAreCutWithinFiftyBytesAtACharacterBoundary) {
    const std::string name = "a" + std::string(30, 'b') + "홍길동홍길동홍길동";
    const std::string line = ncidCallLine(callFrom("0212345678", name));
    const std::string sent = line.substr(line.find("NAME") + 4);
    EXPECT_EQ(sent, "a" + std::string(30, 'b') + "홍길동홍길동+++");
}

TEST(NcidLines, AHangUpCarriesTheCallsFieldsAndItsTimes) {
    setenv("TZ", "UTC", 1);
    tzset();
    const FinishedCall finished{callFrom("0212345678", "홍길동"), 1772701622, 1772701630,
                                1772701780};
    EXPECT_EQ(ncidHangUpLine(finished),
              "CALLINFO: ###BYE...DATE03050907...SCALL03/05/2026 09:07:02...ECALL03/05/2026 "
              "09:09:40...CALLIN...LINEshop...NMBR0212345678...NAME홍길동+++");
    unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace velko::gateway
