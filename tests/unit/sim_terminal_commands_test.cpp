#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/command_reader.h"
#include "sim/terminal_model.h"
#include "unit/sim_test_support.h"

namespace velko::sim {
namespace {

using namespace std::chrono_literals;

// Everything the terminal has written by `now`, as one text.
std::string sentBy(TerminalModel& model, Clock::time_point now) { return joined(model.due(now)); }

// A whole command exchange, the way the PC runs it: "[", the acknowledgement, then the body.
// Returns what the terminal sent after the acknowledgement.
std::string command(TerminalModel& model, const std::string& body, Clock::time_point now = t0) {
    model.receive("[", now);
    EXPECT_EQ(sentBy(model, now), "ACK\r\n");
    model.receive(body, now);
    return sentBy(model, now);
}

std::string response(const std::vector<std::string>& lines) {
    std::string text = "Response\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text + "End\r\n";
}

TEST(SimAcknowledgement, DelayedAcknowledgementIsDueOnlyAfterItsDelay) {
    TerminalModel model(t0, {.ackDelay = 800ms});
    model.receive("[", t0);
    EXPECT_EQ(model.nextDue(), t0 + 800ms);
    EXPECT_TRUE(model.due(t0 + 799ms).empty());
    EXPECT_EQ(sentBy(model, t0 + 800ms), "ACK\r\n");
    EXPECT_EQ(model.nextDue(), std::nullopt);
}

TEST(SimAcknowledgement, SilentTerminalNeverAnswersButStillRecordsTheOpening) {
    TerminalModel model(t0);
    model.setAck(std::nullopt);
    model.receive("[", t0);
    EXPECT_EQ(model.nextDue(), std::nullopt);
    EXPECT_EQ(model.commands(), std::vector<std::string>{"["});
}

TEST(SimCommandFrames, RecordsEachFrameExactlyAcrossSplitReads) {
    TerminalModel model(t0);
    model.receive("[", t0);
    model.receive("D\r12", t0);
    EXPECT_EQ(model.commands(), std::vector<std::string>{"[D\r12"});
    const std::vector<Heard> heard = model.receive("25\r0930\r]", t0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].kind, Heard::Kind::Command);
    EXPECT_EQ(heard[0].bytes, "[D\r1225\r0930\r]");
    EXPECT_EQ(model.commands(), std::vector<std::string>{"[D\r1225\r0930\r]"});
}

TEST(SimCommandFrames, NewOpeningAbandonsAnOpenFrameAndStrayBytesAreNotCommands) {
    TerminalModel model(t0);
    const std::vector<Heard> heard = model.receive("hello[[t\r]bye", t0);
    ASSERT_EQ(heard.size(), 5u);
    EXPECT_EQ(heard[0].kind, Heard::Kind::Stray);
    EXPECT_EQ(heard[0].bytes, "hello");
    EXPECT_EQ(heard[1].kind, Heard::Kind::Opening);
    EXPECT_EQ(heard[2].kind, Heard::Kind::Opening);
    EXPECT_EQ(heard[3].kind, Heard::Kind::Command);
    EXPECT_EQ(heard[4].kind, Heard::Kind::Stray);
    EXPECT_EQ(heard[4].bytes, "bye");
    EXPECT_EQ(model.commands(), (std::vector<std::string>{"[", "[t\r]"}));
    // Two acknowledgements, then the answer to "t".
    EXPECT_EQ(sentBy(model, t0), "ACK\r\nACK\r\n" + response({"t", "0"}));
}

TEST(SimCommandFrames, ForgivesMissingCarriageReturnsButNotAnEmptyOrOpenFrame) {
    const auto sloppy = parseFrame("[Fx\r2]");
    ASSERT_TRUE(sloppy);
    EXPECT_EQ(sloppy->code, 'F');
    EXPECT_EQ(sloppy->params, (std::vector<std::string>{"x", "2"}));
    EXPECT_FALSE(parseFrame("[]"));
    EXPECT_FALSE(parseFrame("[d\r"));
}

TEST(SimSettings, DateAndTimeCommandSetsTheClockWhichThenRuns) {
    TerminalModel model(t0);
    EXPECT_EQ(command(model, "D\r1225\r0930\r]"), "");
    EXPECT_EQ(command(model, "d\r]"), response({"d", "1225", "0930"}));
    EXPECT_EQ(command(model, "e\r]", t0 + 59s), response({"e", "0930"}));
    EXPECT_EQ(command(model, "d\r]", t0 + 61s), response({"d", "1225", "0931"}));
}

TEST(SimSettings, TimeCommandKeepsTheDateAndTheClockRunsPastMidnightAndNewYear) {
    TerminalModel model(t0);
    command(model, "E\r2359\r]");
    EXPECT_EQ(command(model, "d\r]"), response({"d", "0305", "2359"}));
    EXPECT_EQ(command(model, "d\r]", t0 + 60s), response({"d", "0306", "0000"}));

    command(model, "D\r1231\r2359\r]", t0 + 60s);
    EXPECT_EQ(command(model, "d\r]", t0 + 120s), response({"d", "0101", "0000"}));
}

TEST(SimSettings, ClockRefusesValuesThatAreNoDateOrTime) {
    TerminalModel model(t0);
    for (const char* bad : {"D\r1340\r0930\r]", "D\r0230\r0930\r]", "D\rab-c\r0930\r]",
                            "D\r1225\r2400\r]", "D\r1225\r]", "E\r0960\r]", "E\r930\r]"}) {
        command(model, bad);
    }
    EXPECT_EQ(command(model, "d\r]"), response({"d", "0305", "0907"}));
}

TEST(SimSettings, MelodyAndAreaCodeAreKeptAndAnsweredAsSet) {
    TerminalModel model(t0);
    EXPECT_EQ(command(model, "f\r]"), response({"f", "1"}));
    EXPECT_EQ(command(model, "g\r]"), response({"g", "0"}));

    command(model, "F\r4\r]");
    command(model, "G\rb\r]");
    EXPECT_EQ(command(model, "f\r]"), response({"f", "4"}));
    EXPECT_EQ(command(model, "g\r]"), response({"g", "b"}));

    for (const char* bad : {"F\r7\r]", "F\r0\r]", "F\r2.5\r]", "G\rg\r]", "G\r031\r]", "G\rB\r]"}) {
        command(model, bad);
    }
    EXPECT_EQ(command(model, "f\r]"), response({"f", "4"}));
    EXPECT_EQ(command(model, "g\r]"), response({"g", "b"}));
    EXPECT_EQ(model.state().melody, 4);
    EXPECT_EQ(model.state().areaCode, 'b');
}

TEST(SimQueries, SingleValuesFollowTheTerminalsState) {
    TerminalModel model(t0, {.callMemory = 2});
    model.call({.number = "0212345678"}, t0);
    model.call({.number = "0311112222"}, t0);
    model.call({.kind = 'E', .number = "0513334444"}, t0);
    model.reject("0609990000", "", t0);
    model.hookOff(t0);
    model.due(t0);

    EXPECT_EQ(command(model, "h\r]"), response({"h", "2.10"}));
    EXPECT_EQ(command(model, "i\r]"), response({"i", "VK100-0001"}));
    EXPECT_EQ(command(model, "n\r]"), response({"n", "2"}));
    EXPECT_EQ(command(model, "q\r]"), response({"q", "1"}));
    EXPECT_EQ(command(model, "r\r]"), response({"r", "3"}));
    EXPECT_EQ(command(model, "s\r]"), response({"s", "2"}));
    EXPECT_EQ(command(model, "t\r]"), response({"t", "1"}));
    EXPECT_EQ(command(model, "u\r]"), response({"u", "3"}));
    EXPECT_EQ(command(model, "x\r]"), response({"x", "2"}));

    command(model, "a\r]");
    EXPECT_EQ(command(model, "u\r]"), response({"u", "0"}));
    model.hookOn(t0);
    model.due(t0);
    EXPECT_EQ(command(model, "t\r]"), response({"t", "0"}));
}

TEST(SimQueries, UnknownCommandsAndUpperCaseQueryLettersGetNoAnswer) {
    TerminalModel model(t0);
    EXPECT_EQ(command(model, "Z\r]"), "");
    EXPECT_EQ(command(model, "A\r]"), "");
    EXPECT_EQ(command(model, "]"), "");
    EXPECT_EQ(model.nextDue(), std::nullopt);
}

TEST(SimLists, CallMemoryListsTheLatestCallsOldestFirstInTitledRecords) {
    TerminalModel model(t0, {.callMemory = 2});
    model.call({.number = "0200000000"}, t0);
    model.call({.number = "0212345678", .name = "\xC8\xAB", .group = "2", .type = "S"}, t0 + 60s);
    model.call({.kind = 'E', .number = "0311112222", .group = "0", .type = "V"}, t0 + 120s);
    model.due(t0 + 120s);

    EXPECT_EQ(
        command(model, "a\r]", t0 + 120s),
        response({"a", "Time:03050908", "Number:0212345678", "Name:\xC8\xAB", "Group:2", "Type:S",
                  "Time:03050909", "Number:0311112222", "Name:", "Group:0", "Type:V"}));
}

TEST(SimLists, StoredCallsJoinTheMemoryUnreportedInTheLatestYearNotAheadOfTheClock) {
    TerminalModel model(t0, {.callMemory = 3});
    model.store({.number = "0200000000"}, std::array<int, 4>{3, 5, 9, 8}, t0);
    model.store({.number = "0211111111"}, std::nullopt, t0 + 60s);
    model.shiftClock(-7min);
    model.call({.number = "0212345678"}, t0 + 120s);
    model.store({.number = "0299999999"}, std::array<int, 4>{2, 29, 23, 59}, t0 + 120s);
    EXPECT_EQ(sentBy(model, t0 + 120s).find("0200000000"), std::string::npos);

    // The first stored call's time is a minute ahead of the clock: it came a year ago. Memory
    // keeps the last three; February 29 falls in the last leap year before 2025.
    EXPECT_EQ(model.state().calls.front().number, "0211111111");
    EXPECT_EQ(model.state().calls.back().time,
              std::chrono::sys_days{std::chrono::year{2024} / 2 / 29} + 23h + 59min);
    model.store({.number = "0288888888"}, std::array<int, 4>{2, 30, 9, 0}, t0 + 120s);
    EXPECT_EQ(model.state().calls.back().time, model.state().clock.at(t0 + 120s));
    EXPECT_EQ(command(model, "u\r]", t0 + 120s), response({"u", "5"}));
    EXPECT_EQ(command(model, "d\r]", t0 + 120s), response({"d", "0305", "0902"}));
}

TEST(SimLists, EmptyCallMemoryAndRejectedListsHoldOnlyTheirKey) {
    TerminalModel model(t0);
    EXPECT_EQ(command(model, "a\r]"), response({"a"}));
    EXPECT_EQ(command(model, "j\r]"), response({"j"}));
}

TEST(SimLists, RejectedNumbersAreTitledRecordsOfTheBlackType) {
    TerminalModel model(t0);
    model.reject("0101234567", "\xB1\xE8", t0);
    model.reject("0709876543", "", t0 + 5min);
    EXPECT_EQ(model.nextDue(), std::nullopt);
    EXPECT_EQ(
        command(model, "j\r]", t0 + 5min),
        response({"j", "Time:03050907", "Number:0101234567", "Name:\xB1\xE8", "Group:0", "Type:B",
                  "Time:03050912", "Number:0709876543", "Name:", "Group:0", "Type:B"}));
}

TEST(SimLists, GroupsComeAsSixTitledRecordsAndAsSixPairs) {
    TerminalModel model(t0);
    const std::vector<std::string> names{"\xB0\xA1\xC1\xB7",
                                         "\xC4\xA3\xB1\xB8",
                                         "\xC8\xB8\xBB\xE7",
                                         "\xB0\xC5\xB7\xA1\xC3\xB3",
                                         "VIP",
                                         "\xB1\xE2\xC5\xB8"};
    std::vector<std::string> titledLines{"o"};
    std::vector<std::string> pairLines{"p"};
    for (int group = 1; group <= 6; ++group) {
        const std::string number = std::to_string(group);
        const std::string& name = names[static_cast<std::size_t>(group - 1)];
        titledLines.insert(titledLines.end(), {"Time:03050907", "Number:020000000" + number,
                                               "Name:" + name, "Group:" + number, "Type:S"});
        pairLines.insert(pairLines.end(), {number, name});
    }
    EXPECT_EQ(command(model, "o\r]"), response(titledLines));
    EXPECT_EQ(command(model, "p\r]"), response(pairLines));
}

}  // namespace
}  // namespace velko::sim
