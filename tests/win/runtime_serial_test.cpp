#include "platform/win32/runtime/message_window.h"
#include "platform/win32/runtime/win32_message_loop.h"
#include "platform/win32/runtime/win32_serial_port.h"
#include "tests/win/runtime_support.h"

using namespace velko;
using namespace velko::wintest;
using velko::win32::MessageWindow;
using velko::win32::Win32MessageLoop;
using velko::win32::Win32SerialPort;

namespace {

// The serial component on COM7, and the far end of its line on COM8.
struct Line {
    Line() {
        port.setOnComm([this] {
            ++onComm;
            onCommThread = GetCurrentThreadId();
        });
    }

    void open(int16_t threshold = 1) {
        port.setCommPort(kControlPortNumber);
        port.setSettings(u"9600,n,8,1");
        port.setHandshaking(0);
        port.setRThreshold(threshold);
        port.setPortOpen(true);
    }

    // Runs the loop until OnComm has been raised once more, then takes the waiting text.
    Text nextInput() {
        const int before = onComm;
        if (!runUntil(
                loop, [&] { return onComm > before; }, 5s))
            return u"(no OnComm)";
        return port.input();
    }

    MessageWindow window;
    Win32MessageLoop loop{window};
    Win32SerialPort port{window};
    TerminalLine peer;
    int onComm = 0;
    DWORD onCommThread = 0;
};

WIN_TEST(arrivingTextRaisesOnCommOnTheControlsThreadAndInputTakesAllOfIt) {
    Line line;
    line.open();
    CHECK(line.port.portOpen());
    line.peer.writeBytes("Hello\r\n");
    REQUIRE(runUntil(
        line.loop, [&] { return line.onComm >= 1 && line.port.inBufferCount() == 7; }, 5s));
    CHECK_EQ(line.onCommThread, GetCurrentThreadId());
    CHECK_EQ(toUtf8(line.port.input()), std::string("Hello\r\n"));
    CHECK_EQ(line.port.inBufferCount(), 0);
    CHECK_EQ(toUtf8(line.port.input()), std::string());
}

WIN_TEST(aKoreanCharacterSplitAcrossTwoWritesArrivesWhole) {
    Line line;
    line.open();
    line.peer.writeBytes("A\xC7");
    CHECK_EQ(toUtf8(line.nextInput()), std::string("A"));
    line.peer.writeBytes(
        "\xD1"
        "B");
    CHECK_EQ(toUtf8(line.nextInput()), toUtf8(u"한B"));
}

WIN_TEST(bytesThatAreNoCharacterArriveAsReplacementsAndTheLineGoesOn) {
    Line line;
    line.open();
    line.peer.writeBytes("\xC7\x41x\xC7\r\n");
    REQUIRE(runUntil(
        line.loop, [&] { return line.port.inBufferCount() == 6; }, 5s));
    CHECK_EQ(toUtf8(line.port.input()), toUtf8(u"\uFFFDAx\uFFFD\r\n"));
}

// More than one read of the reader takes: every byte arrives once and in order.
WIN_TEST(aBurstLongerThanOneReadArrivesWholeAndInOrder) {
    Line line;
    line.open();
    std::string burst;
    for (int i = 0; i < 10000; ++i) burst += static_cast<char>('a' + i * 7 % 26);
    line.peer.writeBytes(burst);
    Text received;
    REQUIRE(runUntil(
        line.loop,
        [&] {
            received += line.port.input();
            return received.size() >= burst.size();
        },
        10s));
    CHECK_EQ(toUtf8(received), burst);
}

WIN_TEST(outputSendsTheTextAsCodePage949Bytes) {
    Line line;
    line.open();
    line.port.setOutput(u"[한글]\r");
    CHECK_EQ(line.peer.readBytes(7, 5000), std::string("[\xC7\xD1\xB1\xDB]\r"));
    line.port.setOutput(u"caf\u00e9");
    CHECK_EQ(line.peer.readBytes(4, 5000), std::string("caf?"));
}

WIN_TEST(withRThresholdZeroCharactersWaitWithoutOnComm) {
    Line line;
    line.open(0);
    line.peer.writeBytes("ACK");
    REQUIRE(runUntil(
        line.loop, [&] { return line.port.inBufferCount() == 3; }, 5s));
    runFor(line.loop, 200ms);
    CHECK_EQ(line.onComm, 0);
    CHECK_EQ(toUtf8(line.port.input()), std::string("ACK"));
}

WIN_TEST(closingEndsTheReaderAndThePortOpensAgain) {
    Line line;
    line.open();
    line.port.setPortOpen(false);
    CHECK(!line.port.portOpen());
    line.port.setPortOpen(false);
    line.open();
    line.peer.writeBytes("again");
    CHECK_EQ(toUtf8(line.nextInput()), std::string("again"));
    line.port.setPortOpen(false);
    CHECK_EQ(errorNumberOf([&] { line.port.input(); }), error_number::kPortNotOpen);
}

WIN_TEST(refusalsCarryTheComponentsNumbers) {
    Line line;
    auto& port = line.port;
    CHECK_EQ(errorNumberOf([&] { port.setCommPort(0); }), error_number::kInvalidPortNumber);
    CHECK_EQ(errorNumberOf([&] { port.setCommPort(-2); }), error_number::kInvalidPortNumber);
    for (const char16_t* settings : {u"9600,n,8", u"9600,x,8,1", u"9601,n,8,1", u"9600,n,9,1",
                                     u"9600,n,8,1.5", u"9600,n,5,2", u"9600,n,8,1,", u""}) {
        CHECK_EQ(errorNumberOf([&] { port.setSettings(settings); }),
                 error_number::kInvalidPropertyValue);
    }
    for (const char16_t* settings : {u"9600,n,8,1", u"19200,E,7,2", u"110,o,5,1.5"}) {
        CHECK_EQ(errorNumberOf([&] { port.setSettings(settings); }), 0);
    }
    CHECK_EQ(errorNumberOf([&] { port.setHandshaking(4); }), error_number::kInvalidPropertyValue);
    CHECK_EQ(errorNumberOf([&] { port.setHandshaking(-1); }), error_number::kInvalidPropertyValue);
    CHECK_EQ(errorNumberOf([&] { port.setRThreshold(-1); }), error_number::kInvalidPropertyValue);
    CHECK_EQ(errorNumberOf([&] { port.setOutput(u"x"); }), error_number::kPortNotOpen);
    CHECK_EQ(errorNumberOf([&] { port.input(); }), error_number::kPortNotOpen);
    CHECK_EQ(errorNumberOf([&] { port.inBufferCount(); }), error_number::kPortNotOpen);

    port.setCommPort(kMissingPort);
    CHECK_EQ(errorNumberOf([&] { port.setPortOpen(true); }), error_number::kInvalidPortNumber);
    CHECK(!port.portOpen());

    line.open();
    CHECK_EQ(errorNumberOf([&] { port.setCommPort(kControlPortNumber); }),
             error_number::kPortAlreadyOpenOperation);
    CHECK_EQ(errorNumberOf([&] { port.setPortOpen(true); }), error_number::kPortAlreadyOpen);
    CHECK_EQ(errorNumberOf([&] { port.setSettings(u"19200,e,7,1"); }), 0);
    CHECK(port.portOpen());
}

}  // namespace
