#include "platform/share/share_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "platform/share/device_or_share.h"
#include "platform/share/share_messages.h"
#include "support/fake_platform.h"
#include "support/recording_sink.h"

namespace velko::share {
namespace {

using velko::testing::FakeMessageLoop;
using velko::testing::FakeSerialPort;
using velko::testing::FakeTimer;

const Text kUrl = u"https://gw.example:8443";

bool anySpeed(uint32_t) { return true; }

// A transport whose links the test drives: what the gateway sends is fed through the handlers,
// and every write is recorded.
class FakeTransport final : public ShareTransport {
  public:
    struct Link;

    std::unique_ptr<ShareLink> connect(const ShareSettings& settings,
                                       ShareLink::Handlers handlers) override;

    // The link made last, while it lives.
    Link* live = nullptr;
    std::vector<ShareSettings> connections;
};

struct FakeTransport::Link final : ShareLink {
    Link(FakeTransport& transport, ShareLink::Handlers handlers)
        : transport(transport), handlers(std::move(handlers)) {}
    ~Link() override {
        if (transport.live == this) transport.live = nullptr;
    }
    void write(std::string body, std::chrono::milliseconds wait) override {
        writes.push_back(std::move(body));
        waits.push_back(wait);
    }
    void send(std::string_view bytes) { handlers.streamBytes(bytes); }
    void event(std::string_view name, std::string_view data) {
        send("event: " + std::string(name) + "\ndata: " + std::string(data) + "\n\n");
    }
    void hello(bool terminal = true, int64_t calls = 10) {
        event("hello", R"({"desk":"d1","terminal":)" + std::string(terminal ? "true" : "false") +
                           R"(,"calls":)" + std::to_string(calls) + "}");
    }
    void end(LinkFailure failure) { handlers.streamEnded(failure); }
    void answer(int status, std::string body = R"({"written":true,"replaced":0})") {
        handlers.written({status, std::move(body), std::nullopt});
    }

    FakeTransport& transport;
    ShareLink::Handlers handlers;
    std::vector<std::string> writes;
    std::vector<std::chrono::milliseconds> waits;
};

std::unique_ptr<ShareLink> FakeTransport::connect(const ShareSettings& settings,
                                                  ShareLink::Handlers handlers) {
    connections.push_back(settings);
    auto link = std::make_unique<Link>(*this, std::move(handlers));
    live = link.get();
    return link;
}

ShareSettings gateway() {
    std::string error;
    return {*parseShareUrl("https://gw.example:8443", error), "secret", std::nullopt};
}

Text textOfWrite(const std::string& body) {
    // The text of a write body, read as the gateway reads it.
    const auto start = body.find(R"("text":)");
    return *readText("{" + body.substr(start, body.find(R"(,"wait_ms")") - start) + "}");
}

class SharePortTest : public ::testing::Test {
  protected:
    SharePortTest() {
        auto timer = std::make_unique<FakeTimer>();
        retry = timer.get();
        port = std::make_unique<SharePort>(loop, std::move(timer), transport, anySpeed);
        port->setOnDiagnostic([this](const Text& text) { diagnostics.push_back(text); });
        port->setOnComm([this] {
            if (onComm) return onComm();
            received += port->input();
        });
        port->useShare(gateway());
        port->setRThreshold(1);
    }

    // Opens the port while the gateway, when the port waits, does what `gateway` says.
    int32_t open(std::function<void(FakeTransport::Link&)> gatewayDoes) {
        loop.onIdle = [this, gatewayDoes] {
            if (transport.live && !answered_) {
                answered_ = true;
                gatewayDoes(*transport.live);
            }
        };
        answered_ = false;
        try {
            port->setPortOpen(true);
            return 0;
        } catch (const RuntimeError& error) {
            clearPendingError();
            return error.number();
        }
    }
    void openNormally() {
        ASSERT_EQ(open([](FakeTransport::Link& link) { link.hello(); }), 0);
    }
    FakeTransport::Link& link() { return *transport.live; }

    FakeMessageLoop loop;
    FakeTransport transport;
    FakeTimer* retry = nullptr;
    std::unique_ptr<SharePort> port;
    std::vector<Text> diagnostics;
    Text received;
    std::function<void()> onComm;

  private:
    bool answered_ = false;
};

TEST_F(SharePortTest, OpensOnTheHelloAndHandsTheTerminalsTextOverAsALocalPortDoes) {
    openNormally();
    EXPECT_TRUE(port->portOpen());
    ASSERT_EQ(transport.connections.size(), 1u);
    EXPECT_EQ(transport.connections[0].password, "secret");
    EXPECT_TRUE(diagnostics.empty());
    // Pieces of the stream as the connection delivers them: events split anywhere.
    const std::string stream =
        "event: text\r\ndata: {\"text\":\"ACK\\r\\nReport\\r\\nName:홍길동\"}\r\n\r\n"
        ": keeps the connection open\n\nevent: text\ndata: {\"text\":\"\\r\\nEnd\\r\\n\"}\n\n";
    for (size_t at = 0; at < stream.size(); at += 7) link().send(stream.substr(at, 7));
    EXPECT_EQ(received, u"ACK\r\nReport\r\nName:홍길동\r\nEnd\r\n");
    // Unknown events are a newer gateway's; a second hello changes nothing.
    link().event("weather", R"({"sunny":true})");
    link().hello(false, 99);
    EXPECT_TRUE(port->portOpen());
    port->setPortOpen(false);
    EXPECT_FALSE(port->portOpen());
    EXPECT_EQ(transport.live, nullptr);
}

TEST_F(SharePortTest, AnOpeningTheGatewayRefusesLeavesThePortClosedWithTheReason) {
    struct Case {
        std::function<void(FakeTransport::Link&)> gateway;
        Text reason;
    };
    const std::vector<Case> cases{
        {[](auto& l) {
             l.end({LinkFailure::Kind::refused, 401, ""});
         },
         u"wrong password"},
        {[](auto& l) {
             l.end({LinkFailure::Kind::refused, 404, ""});
         },
         u"the gateway has no share"},
        {[](auto& l) {
             l.end({LinkFailure::Kind::fingerprint, 0, ""});
         },
         u"the certificate's fingerprint does not match"},
        {[](auto& l) {
             l.end({LinkFailure::Kind::unreachable, 0, "connection refused 10.0.0.5:8443"});
         },
         u"the gateway cannot be reached: connection refused 10.0.0.5:8443"},
        {[](auto& l) { l.hello(false); }, u"the gateway's terminal is not connected"},
        {[](auto& l) { l.event("hello", R"({"desk":"","terminal":true,"calls":1})"); },
         u"the gateway's hello is not a share's"},
        {[](auto& l) { l.send(std::string(300 * 1024, 'x')); },
         u"the gateway sent an event longer than 256 KiB"},
    };
    for (const Case& c : cases) {
        diagnostics.clear();
        EXPECT_EQ(open(c.gateway), 8002) << toUtf8(c.reason);
        EXPECT_FALSE(port->portOpen());
        EXPECT_EQ(transport.live, nullptr);
        EXPECT_EQ(diagnostics, std::vector<Text>{u"포트열기실패:" + kUrl + u": " + c.reason});
        // A port refused at opening does not come back by itself.
        retry->tick();
        EXPECT_EQ(transport.live, nullptr);
    }
}

TEST_F(SharePortTest, ClosingThePortWhileItOpensEndsTheOpening) {
    EXPECT_EQ(open([this](FakeTransport::Link&) { port->setPortOpen(false); }), 8002);
    EXPECT_EQ(transport.live, nullptr);
    EXPECT_EQ(diagnostics, std::vector<Text>{u"포트열기실패:" + kUrl +
                                             u": the port was closed while it opened"});
}

TEST_F(SharePortTest, WritesGoOutInOrderInPiecesTheGatewayTakesAndReplacedCharactersAreTold) {
    openNormally();
    port->setOutput(u"[");
    ASSERT_EQ(link().writes.size(), 1u);
    EXPECT_EQ(link().writes[0], R"({"desk":"d1","text":"[","wait_ms":5500})");
    EXPECT_EQ(link().waits[0], SharePort::kWriteWait);

    // 499 characters, then a character of two halves that stays whole in the next piece.
    const Text longText = Text(499, u'x') + u"\U0001F600" + Text(600, u'가');
    port->setOutput(longText);
    ASSERT_EQ(link().writes.size(), 4u);
    Text joined;
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_LE(link().writes[i].size(), 4096u);
        joined += textOfWrite(link().writes[i]);
    }
    EXPECT_EQ(joined, longText);
    EXPECT_EQ(textOfWrite(link().writes[1]).size(), 499u);

    link().answer(200, R"({"written":true,"replaced":2})");
    link().answer(200, R"({"written":false,"reason":"the line stayed busy"})");
    link().answer(500, "oops");
    EXPECT_EQ(diagnostics, std::vector<Text>{u"?로바뀐문자수:2"});
    EXPECT_TRUE(port->portOpen());
}

TEST_F(SharePortTest, WritesNoOneAnswersAreBoundedAsADeviceThatTakesNothingMore) {
    openNormally();
    const Text piece(SharePort::kMostUnanswered / 2, u'x');
    port->setOutput(piece);
    port->setOutput(piece);
    try {
        port->setOutput(u"x");
        FAIL();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 8018);
    }
    clearPendingError();
    // Every answer makes room again.
    for (size_t i = 0; i < link().writes.size(); ++i) link().answer(200);
    port->setOutput(piece);
}

TEST_F(SharePortTest, AGatewayThatGoesAwayIsADeviceGoneThatComesBackWithTheCallsMeanwhile) {
    openNormally();
    link().event("calls", R"({"calls":12})");
    link().end({LinkFailure::Kind::lost, 0, ""});
    EXPECT_FALSE(port->portOpen());
    EXPECT_EQ(diagnostics, std::vector<Text>{u"포트장치사라짐:" + kUrl +
                                             u": the gateway closed the connection"});
    EXPECT_EQ(transport.live, nullptr);

    // Every tick while no attempt runs starts one.
    retry->tick();
    ASSERT_NE(transport.live, nullptr);
    link().end({LinkFailure::Kind::unreachable, 0, "connection refused 10.0.0.5:8443"});
    retry->tick();
    ASSERT_NE(transport.live, nullptr);
    retry->tick();  // the attempt still runs
    EXPECT_EQ(transport.connections.size(), 3u);
    link().hello(true, 15);
    EXPECT_TRUE(port->portOpen());
    EXPECT_EQ(diagnostics.back(), u"포트장치복귀:" + kUrl + u": 3 calls came meanwhile");
    EXPECT_FALSE(retry->enabled());
    link().event("text", R"({"text":"ACK"})");
    EXPECT_EQ(received, u"ACK");
}

TEST_F(SharePortTest, AGatewayThatRefusesTheReturningDeskIsAskedLessOften) {
    openNormally();
    link().end({LinkFailure::Kind::lost, 0, "Connection reset by peer"});
    EXPECT_EQ(diagnostics.back(),
              u"포트장치사라짐:" + kUrl +
                  u": the connection to the gateway broke: Connection reset by peer");
    retry->tick();
    link().end({LinkFailure::Kind::refused, 401, ""});
    for (int i = 0; i < 9; ++i) retry->tick();
    EXPECT_EQ(transport.live, nullptr);
    retry->tick();
    EXPECT_NE(transport.live, nullptr);
}

TEST_F(SharePortTest, TheGatewaysTerminalGoingAndComingIsTheDeviceGoingAndComing) {
    openNormally();
    link().event("terminal", R"({"connected":false,"reason":"/dev/ttyUSB0: the device hung up"})");
    EXPECT_FALSE(port->portOpen());
    EXPECT_EQ(diagnostics.back(), u"포트장치사라짐:" + kUrl +
                                      u": the gateway's terminal is not connected: "
                                      u"/dev/ttyUSB0: the device hung up");
    // The stream stays: no other connection is made while it runs.
    retry->tick();
    EXPECT_EQ(transport.connections.size(), 1u);
    link().event("text", R"({"text":"noise"})");
    EXPECT_EQ(received, u"");
    link().event("terminal", R"({"connected":true,"calls":11})");
    EXPECT_TRUE(port->portOpen());
    EXPECT_EQ(diagnostics.back(), u"포트장치복귀:" + kUrl + u": 1 call came meanwhile");
}

TEST_F(SharePortTest, ClosingAPortThatIsAwayStopsItsComingBack) {
    openNormally();
    link().end({LinkFailure::Kind::lost, 0, ""});
    port->setPortOpen(false);
    retry->tick();
    EXPECT_EQ(transport.live, nullptr);
    EXPECT_EQ(transport.connections.size(), 1u);
    // Opened again by the host, it connects at once.
    openNormally();
    EXPECT_EQ(transport.connections.size(), 2u);
}

TEST_F(SharePortTest, AWriteThatFindsTheGatewayGoneOrRefusedTakesThePortAway) {
    openNormally();
    port->setOutput(u"[");
    link().handlers.written({0, "", LinkFailure{LinkFailure::Kind::lost, 0, "Broken pipe"}});
    EXPECT_FALSE(port->portOpen());
    EXPECT_EQ(diagnostics.back(),
              u"포트장치사라짐:" + kUrl + u": the connection to the gateway broke: Broken pipe");

    retry->tick();
    link().hello();
    port->setOutput(u"[");
    link().answer(401, "");
    EXPECT_EQ(diagnostics.back(), u"포트장치사라짐:" + kUrl + u": wrong password");
}

TEST_F(SharePortTest, AHandlerThatClosesThePortDropsTheRestOfTheStreamsPiece) {
    openNormally();
    int calls = 0;
    onComm = [&] {
        ++calls;
        port->setPortOpen(false);
    };
    link().send("event: text\ndata: {\"text\":\"a\"}\n\nevent: text\ndata: {\"text\":\"b\"}\n\n");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(transport.live, nullptr);
}

// The whole control over a share: the platform gives it a port that opens the device or the
// share the number is mapped to when OpenVelko runs.
class ControlOverShare : public ::testing::Test, public Platform {
  protected:
    std::unique_ptr<SerialPort> createSerialPort() override {
        auto device = std::make_unique<FakeSerialPort>();
        device_ = device.get();
        auto share = std::make_unique<SharePort>(loop_, createTimer(), transport_, anySpeed);
        return std::make_unique<DeviceOrShare>(
            std::move(device), std::move(share), [this](int16_t port) {
                const auto found = mappings_.find(port);
                return found == mappings_.end() ? std::nullopt
                                                : std::optional<ShareMapping>(found->second);
            });
    }
    std::unique_ptr<Timer> createTimer() override {
        auto timer = std::make_unique<FakeTimer>();
        timers_.push_back(timer.get());
        return timer;
    }
    MessageLoop& messageLoop() override { return loop_; }

    void SetUp() override {
        velko_var() = SharedState{};
        control_.events().advise(sink_);
    }
    void TearDown() override { velko_var() = SharedState{}; }

    int16_t open(const Text& name) {
        Text port = name;
        Text error;
        return control_.OpenVelko(port, error);
    }
    std::vector<Text> debugMessages(TextView prefix) const {
        std::vector<Text> found;
        for (const Text& text : sink_.params("DebugMsg")) {
            if (text.starts_with(prefix)) found.push_back(text);
        }
        return found;
    }

    FakeMessageLoop loop_;
    FakeTransport transport_;
    std::vector<FakeTimer*> timers_;
    std::map<int16_t, ShareMapping> mappings_{{3, ShareMapping{gateway(), kUrl, {}}}};
    FakeSerialPort* device_ = nullptr;
    velko_foxpro control_{*this};
    velko::testing::RecordingSink sink_;
};

TEST_F(ControlOverShare, SendCmdWaitsForTheAcknowledgementThatComesOnTheStream) {
    loop_.onIdle = [this] {
        if (transport_.live && transport_.live->writes.empty()) transport_.live->hello();
    };
    ASSERT_EQ(open(u"COM3"), 0);
    EXPECT_FALSE(device_->portOpen());
    loop_.onIdle = [this] { transport_.live->event("text", R"({"text":"ACK\r\n"})"); };
    uint8_t command = 68;
    Text date = u"12-25", time = u"09:30", none;
    EXPECT_TRUE(control_.SendCmd(command, date, time, none));
    ASSERT_EQ(transport_.live->writes.size(), 2u);
    EXPECT_EQ(textOfWrite(transport_.live->writes[0]), u"[");
    EXPECT_EQ(textOfWrite(transport_.live->writes[1]), u"D\r1225\r0930\r]");
    EXPECT_EQ(sink_.params("ReceiveReal"), std::vector<Text>{u"ACK\r\n"});
}

TEST_F(ControlOverShare, EachOpeningAsksTheMappingOfItsMoment) {
    // Port 5 is its device; port 3 the share, until it is mapped to a share that cannot be used.
    ASSERT_EQ(open(u"COM5"), 0);
    EXPECT_TRUE(device_->portOpen());
    EXPECT_EQ(device_->commPort, 5);
    Text ignored;
    control_.CloseVelko(ignored, ignored);

    mappings_[3] = ShareMapping{std::nullopt, u"COM3", u"the password cannot be read back"};
    Text port = u"COM3", error;
    EXPECT_EQ(control_.OpenVelko(port, error), 2);
    EXPECT_EQ(error, u"COM3 open error");
    EXPECT_EQ(debugMessages(u"포트열기실패:"),
              std::vector<Text>{u"포트열기실패:COM3: the password cannot be read back"});
    EXPECT_TRUE(transport_.connections.empty());
}

TEST_F(ControlOverShare, OpeningTheDeviceStopsAShareThatWasComingBack) {
    loop_.onIdle = [this] {
        if (transport_.live) transport_.live->hello();
    };
    ASSERT_EQ(open(u"COM3"), 0);
    transport_.live->end({LinkFailure::Kind::lost, 0, ""});
    EXPECT_FALSE(control_.ComPortStateGet());
    ASSERT_EQ(open(u"COM4"), 0);
    EXPECT_TRUE(device_->portOpen());
    for (FakeTimer* timer : timers_) timer->tick();
    EXPECT_EQ(transport_.live, nullptr);
    EXPECT_EQ(transport_.connections.size(), 1u);
}

}  // namespace
}  // namespace velko::share
