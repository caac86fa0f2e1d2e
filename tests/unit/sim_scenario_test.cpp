#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sim/line_buffer.h"
#include "sim/scenario.h"
#include "sim/shown_bytes.h"
#include "unit/sim_test_support.h"

namespace velko::sim {
namespace {

using namespace std::chrono_literals;

template <typename Action>
Action parsed(std::string_view line) {
    const ScenarioAction action = parseScenarioLine(line);
    EXPECT_TRUE(std::holds_alternative<Action>(action)) << line;
    return std::holds_alternative<Action>(action) ? std::get<Action>(action) : Action{};
}

TEST(SimScenarioCalls, FieldsDefaultsAndNamesInCp949) {
    const CallAction full = parsed<CallAction>("call 0212345678 홍길동 2 V");
    EXPECT_EQ(full.kind, 'D');
    EXPECT_EQ(full.number, "0212345678");
    EXPECT_EQ(full.name, kHongCp949);
    EXPECT_EQ(full.group, "2");
    EXPECT_EQ(full.type, "V");

    const CallAction bare = parsed<CallAction>("  other   0311112222  ");
    EXPECT_EQ(bare.kind, 'E');
    EXPECT_EQ(bare.name, "");
    EXPECT_EQ(bare.group, "0");
    EXPECT_EQ(bare.type, "S");

    const CallAction quoted = parsed<CallAction>(R"(call 0101 "Kim  Jr" 3)");
    EXPECT_EQ(quoted.name, "Kim  Jr");
    EXPECT_EQ(quoted.group, "3");

    const StoreAction stored = parsed<StoreAction>("store 0212345678 홍길동 2 V 02290930");
    EXPECT_EQ(stored.call.name, kHongCp949);
    EXPECT_EQ(stored.call.type, "V");
    EXPECT_EQ(stored.time, (std::array<int, 4>{2, 29, 9, 30}));
    EXPECT_EQ(parsed<StoreAction>("store 0101").time, std::nullopt);

    const RejectAction reject = parsed<RejectAction>("reject 0609990000 홍길동");
    EXPECT_EQ(reject.number, "0609990000");
    EXPECT_EQ(reject.name, kHongCp949);
}

TEST(SimScenarioLine, SettingsOfTheLine) {
    EXPECT_TRUE(parsed<HookAction>("hook off").off);
    EXPECT_FALSE(parsed<HookAction>("hook on").off);

    const ChunkAction chunk = parsed<ChunkAction>("chunk 8");
    EXPECT_EQ(chunk.size, 8u);
    EXPECT_EQ(chunk.gap, 50ms);
    EXPECT_EQ(parsed<ChunkAction>("chunk 0 5").gap, 5ms);

    EXPECT_EQ(parsed<AckAction>("ack on").delay, 0ms);
    EXPECT_EQ(parsed<AckAction>("ack off").delay, std::nullopt);
    EXPECT_EQ(parsed<AckAction>("ack delay 6000").delay, 6000ms);

    EXPECT_EQ(parsed<WaitAction>("wait 250").duration, 250ms);
    EXPECT_EQ(parsed<ClockAction>("clock -7").offset, -7min);
    EXPECT_EQ(parsed<ClockAction>("clock +90").offset, 90min);
    parsed<NoiseAction>("noise");
    parsed<PairAction>("pair");
    parsed<QuitAction>("quit");
    parsed<std::monostate>("");
    parsed<std::monostate>("   # a comment");
}

TEST(SimScenarioLine, RawTextKeepsItsBlanksAndTurnsEscapesIntoBytes) {
    EXPECT_EQ(parsed<RawAction>(R"(raw  Report\r\nB\r\n)").bytes, " Report\r\nB\r\n");
    EXPECT_EQ(parsed<RawAction>(R"(raw Name:홍길동\x00\x7f\\)").bytes,
              "Name:" + kHongCp949 + std::string(1, '\0') + "\x7f\\");
    EXPECT_EQ(parsed<RawAction>("raw").bytes, "");
}

TEST(SimScenarioLine, RefusesLinesItCannotRead) {
    for (const char* bad : {"call",
                            "call 1 2 3 4 5",
                            "hook",
                            "hook up",
                            "store 0101 a 0 S 1225093",
                            "store 0101 a 0 S 02300930",
                            "store 0101 a 0 S 12252400",
                            "clock 7",
                            "clock +",
                            "clock -x",
                            "reject",
                            "chunk",
                            "chunk -1",
                            "chunk 8x",
                            "chunk 8 5 5",
                            "ack",
                            "ack delay",
                            "ack delay soon",
                            "ack maybe",
                            "wait",
                            "noise 2",
                            "quit now",
                            "dial 0101",
                            R"(call 0101 "open)",
                            R"(raw \q)",
                            R"(raw \x4)",
                            R"(raw \xZZ)",
                            R"(raw end\)",
                            "call 0101 \xFF\xFE"}) {
        EXPECT_THROW(parseScenarioLine(bad), ScenarioError) << bad;
    }
}

TEST(SimShownBytes, DecodesCp949AndEscapesEverythingElse) {
    EXPECT_EQ(shownBytes("[D\r1225\r0930\r]"), R"([D\r1225\r0930\r])");
    EXPECT_EQ(shownBytes("Name:" + kHongCp949 + "\r\n"), R"(Name:홍길동\r\n)");
    EXPECT_EQ(shownBytes(std::string("a\\b\t\0\x7f", 6)), R"(a\\b\t\x00\x7F)");
    // A character cut in two by a chunk boundary.
    EXPECT_EQ(shownBytes(kHongCp949.substr(0, 3)), R"(홍\xB1)");
    EXPECT_EQ(shownBytes("\xFF\x41"), R"(\xFFA)");
}

TEST(SimLineBuffer, HandsOutWholeLinesWithoutTheirEnds) {
    LineBuffer lines;
    lines.append("hook o");
    EXPECT_EQ(lines.nextLine(), std::nullopt);
    lines.append("ff\r\ncall 1\nqu");
    EXPECT_EQ(lines.nextLine(), "hook off");
    EXPECT_EQ(lines.nextLine(), "call 1");
    EXPECT_EQ(lines.nextLine(), std::nullopt);
    lines.append("it\n\n");
    EXPECT_EQ(lines.nextLine(), "quit");
    EXPECT_EQ(lines.nextLine(), "");
}

}  // namespace
}  // namespace velko::sim
