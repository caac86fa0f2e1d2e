#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/shown_bytes.h"
#include "sim/terminal_model.h"
#include "unit/sim_test_support.h"

namespace velko::sim {
namespace {

using namespace std::chrono_literals;

const std::string kHookOff = "Report\r\nB\r\nEnd\r\n";
const std::string kHookOn = "Report\r\nC\r\nEnd\r\n";

// Every write the terminal makes from now on, in order, whatever their times.
std::vector<Outgoing> allWrites(TerminalModel& model) {
    std::vector<Outgoing> writes;
    while (const auto next = model.nextDue()) {
        for (Outgoing& write : model.due(*next)) writes.push_back(std::move(write));
    }
    return writes;
}

TEST(SimReports, CallReportCarriesTheTerminalsTimeAndTheCallersFields) {
    TerminalModel model(t0);
    model.call({.number = "0212345678", .name = "\xC8\xAB\xB1\xE6", .group = "2", .type = "S"},
               t0 + 90s);
    model.call({.kind = 'E', .number = "0311112222"}, t0 + 90s);
    const std::vector<Outgoing> writes = model.due(t0 + 90s);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes,
              "Report\r\nD\r\nTime:03050908\r\nNumber:0212345678\r\nName:\xC8\xAB\xB1\xE6\r\n"
              "Group:2\r\nType:S\r\nEnd\r\n");
    EXPECT_EQ(writes[0].label, "report D 0212345678");
    EXPECT_EQ(writes[1].bytes,
              "Report\r\nE\r\nTime:03050908\r\nNumber:0311112222\r\nName:\r\nGroup:0\r\nType:S\r\n"
              "End\r\n");
}

TEST(SimChunking, MessageGoesOutInNumberedPiecesAtTheirIntervals) {
    TerminalModel model(t0);
    model.setChunking(6, 20ms);
    model.hookOff(t0);

    const std::vector<Outgoing> first = model.due(t0 + 19ms);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].bytes, "Report");
    EXPECT_EQ(first[0].part, 1);
    EXPECT_EQ(first[0].parts, 3);
    EXPECT_EQ(model.nextDue(), t0 + 20ms);

    const std::vector<Outgoing> rest = model.due(t0 + 40ms);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].bytes, "\r\nB\r\nE");
    EXPECT_EQ(rest[1].bytes, "nd\r\n");
    EXPECT_EQ(rest[1].part, 3);
    EXPECT_EQ(rest[1].at, t0 + 40ms);
}

// A character cut in two shows as its two bytes, never as a character the cut makes up.
TEST(SimChunking, APieceThatEndsInsideACharacterIsShownByteForByte) {
    Transmitter line;
    line.setChunking(2, 10ms);
    line.sendMessage("A" + kHongCp949, "report", t0);
    std::vector<std::string> shown;
    for (const Outgoing& write : line.due(t0 + 1s)) {
        shown.push_back(shownBytes(write.bytes, write.startsInsideCharacter));
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{R"(A\xC8)", R"(\xAB\xB1)", R"(\xE6\xB5)", R"(\xBF)"}));
}

TEST(SimChunking, PiecesNeverInterleaveWithWhatComesAfterThem) {
    TerminalModel model(t0);
    model.setChunking(5, 100ms);
    model.hookOff(t0);
    model.receive("[", t0 + 10ms);
    model.noise(t0 + 10ms);
    model.setChunking(0, 0ms);
    model.hookOn(t0 + 10ms);

    const std::vector<Outgoing> writes = allWrites(model);
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(joined(writes), kHookOff + "ACK\r\nxx\r\n" + kHookOn);
    EXPECT_EQ(writes[3].at, t0 + 300ms);
    EXPECT_EQ(writes[4].label, "ACK");
    EXPECT_EQ(writes[4].at, t0 + 300ms);
}

TEST(SimPairing, NextTwoMessagesGoOutInOneWrite) {
    TerminalModel model(t0);
    model.pairNext();
    model.hookOff(t0);
    EXPECT_EQ(model.nextDue(), std::nullopt);
    model.receive("[", t0 + 1s);
    EXPECT_EQ(joined(model.due(t0 + 1s)), "ACK\r\n");

    model.hookOn(t0 + 2s);
    model.hookOff(t0 + 2s);
    const std::vector<Outgoing> writes = model.due(t0 + 2s);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, kHookOff + kHookOn);
    EXPECT_EQ(writes[0].label, "report B (hook off) + report C (hook on)");
    EXPECT_EQ(writes[1].bytes, kHookOff);
}

TEST(SimPairing, PairedWriteIsChunkedAsOneText) {
    TerminalModel model(t0);
    model.setChunking(20, 10ms);
    model.pairNext();
    model.hookOff(t0);
    model.hookOn(t0);
    const std::vector<Outgoing> writes = allWrites(model);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, (kHookOff + kHookOn).substr(0, 20));
    EXPECT_EQ(joined(writes), kHookOff + kHookOn);
}

TEST(SimNoiseAndRaw, ComeOutAsSingleWritesWithoutMessageFraming) {
    TerminalModel model(t0);
    model.setChunking(2, 5ms);
    model.noise(t0);
    model.raw("Rep", t0);
    const std::vector<Outgoing> writes = model.due(t0);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, "xx\r\n");
    EXPECT_EQ(writes[0].label, "noise");
    EXPECT_EQ(writes[1].bytes, "Rep");
    EXPECT_EQ(writes[1].label, "raw");
}

}  // namespace
}  // namespace velko::sim
