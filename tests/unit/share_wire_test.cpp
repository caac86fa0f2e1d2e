#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/share/event_stream_reader.h"
#include "platform/share/share_messages.h"
#include "platform/share/share_settings.h"

namespace velko::share {
namespace {

TEST(ShareUrl, TakesHttpsAnywhereAndHttpOnlyOnThisComputer) {
    std::string error;
    for (const auto& [text, url] : std::vector<std::pair<std::string, std::string>>{
             {"https://10.0.0.5:8443", "https://10.0.0.5:8443"},
             {"HTTPS://Gateway.local/", "https://Gateway.local:443"},
             {"https://[fe80::1]:8443", "https://[fe80::1]:8443"},
             {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
             {"http://localhost", "http://localhost:80"},
             {"http://[::1]:8080", "http://[::1]:8080"},
         }) {
        const auto address = parseShareUrl(text, error);
        ASSERT_TRUE(address) << text << ": " << error;
        EXPECT_EQ(address->url(), url);
    }
    for (const std::string text : {"http://10.0.0.5:8080", "http://128.0.0.1",
                                   "http://127.0.0.1.evil", "http://localhost.evil.example"}) {
        EXPECT_FALSE(parseShareUrl(text, error)) << text;
        EXPECT_EQ(error, "http:// is for a gateway on this computer only: use https://");
    }
    for (const std::string text :
         {"ftp://x", "/dev/ttyS0", "https://", "https://h:0", "https://h:65536",
          "https://h:8443/share", "https://user@h", "https://[::1", "https://[::1]x", "https://h h",
          "https://h:80:81"}) {
        EXPECT_FALSE(parseShareUrl(text, error)) << text;
        EXPECT_EQ(error, "expected http://HOST:PORT or https://HOST:PORT") << text;
    }
    EXPECT_TRUE(looksLikeUrl("HTTP://x"));
    EXPECT_FALSE(looksLikeUrl("/dev/http://"));
}

TEST(ShareFingerprint, ReadsWhatOpensslPrintsInEitherCase) {
    const std::string colons =
        "5D:15:A5:12:BA:08:FE:37:1A:AC:70:B3:41:A5:58:E2:52:34:D5:A2:EE:D3:E5:32:53:76:8F:D5:15:61:"
        "87:44";
    const auto fingerprint = parseFingerprint(colons);
    ASSERT_TRUE(fingerprint);
    EXPECT_EQ(fingerprintText(*fingerprint), colons);
    EXPECT_EQ(parseFingerprint("sha256 Fingerprint=" + colons + "\n"), fingerprint);
    std::string plain;
    for (char c : colons) {
        if (c != ':') plain += static_cast<char>(std::tolower(c));
    }
    EXPECT_EQ(parseFingerprint(plain), fingerprint);
    for (const std::string& bad : {plain.substr(2), plain + "00", "G" + plain.substr(1),
                                   std::string(), colons.substr(0, 5) + ":" + colons.substr(5)}) {
        EXPECT_FALSE(parseFingerprint(bad)) << bad;
    }
}

std::vector<StreamEvent> readAll(const std::vector<std::string>& pieces) {
    EventStreamReader reader;
    std::vector<StreamEvent> events;
    for (const std::string& piece : pieces) EXPECT_TRUE(reader.feed(piece, events));
    return events;
}

TEST(EventStream, CutsEventsWhereverThePiecesEnd) {
    const std::string stream =
        "\xEF\xBB\xBF: a comment\r\n\r\nevent: hello\r\ndata: {\"a\":1}\r\n\r\n"
        "id: 7\rretry: 10\rdata:first\rdata:  second\r\rdata\n\nevent:empty\n\nunknown: x\n";
    const std::vector<StreamEvent> expected{
        {"hello", "{\"a\":1}"}, {"message", "first\n second"}, {"message", ""}};
    EXPECT_EQ(readAll({stream}), expected);
    for (size_t size = 1; size < 9; ++size) {
        std::vector<std::string> pieces;
        for (size_t at = 0; at < stream.size(); at += size)
            pieces.push_back(stream.substr(at, size));
        EXPECT_EQ(readAll(pieces), expected) << size;
    }
}

TEST(EventStream, AnEventBeyondTheBoundBreaksTheStream) {
    EventStreamReader reader;
    std::vector<StreamEvent> events;
    const std::string line = "data: " + std::string(1000, 'x') + "\n";
    bool whole = true;
    for (size_t sent = 0; whole && sent < 2 * EventStreamReader::kLongestEvent;
         sent += line.size()) {
        whole = reader.feed(line, events);
    }
    EXPECT_FALSE(whole);
    EXPECT_FALSE(reader.feed("\n\n", events));
    EXPECT_TRUE(events.empty());
}

TEST(ShareMessages, ReadOnlyWhatHasTheRightShape) {
    const auto hello = readHello(R"({"desk":"7f3a9c21","terminal":true,"calls":1234,"new":[1]})");
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->desk, "7f3a9c21");
    EXPECT_TRUE(hello->terminal);
    EXPECT_EQ(hello->calls, 1234);
    for (const char* bad :
         {"", "[]", "nul", R"({"desk":"a b","terminal":true,"calls":1})",
          R"({"desk":"a","terminal":1,"calls":1})", R"({"desk":"a","terminal":true,"calls":-1})",
          R"({"desk":"a","terminal":true,"calls":1.5})", R"({"desk":"a","terminal":true})",
          R"({"desk":"\u0000","terminal":true,"calls":1})"}) {
        EXPECT_FALSE(readHello(bad)) << bad;
    }
    EXPECT_FALSE(
        readHello(R"({"desk":")" + std::string(129, 'a') + R"(","terminal":true,"calls":1})"));

    EXPECT_EQ(readText(R"({"text":"Name:\ud64d\uae38\ub3d9\r\n\u0000"})"),
              Text(u"Name:홍길동\r\n\0", 11));
    EXPECT_FALSE(readText(R"({"text":"\ud800"})"));
    EXPECT_FALSE(readText("{\"text\":\"\xff\"}"));
    EXPECT_FALSE(readText(R"({"text":5})"));

    const auto change = readTerminalChange(R"({"connected":false,"reason":"gone"})");
    ASSERT_TRUE(change);
    EXPECT_FALSE(change->connected);
    EXPECT_EQ(change->reason, "gone");
    EXPECT_FALSE(change->calls);
    EXPECT_EQ(readTerminalChange(R"({"connected":true,"calls":3})")->calls, 3);
    EXPECT_FALSE(readTerminalChange(R"({"connected":true,"calls":"3"})"));
    EXPECT_EQ(readTerminalChange(R"({"connected":true,"reason":")" + std::string(600, 'r') + "\"}")
                  ->reason.size(),
              512u);

    EXPECT_EQ(readCalls(R"({"calls":9})"), 9);
    EXPECT_FALSE(readCalls(R"({"calls":-9})"));

    const auto outcome = readWriteOutcome(R"({"written":false,"reason":"the line stayed busy"})");
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->written);
    EXPECT_EQ(outcome->reason, "the line stayed busy");
    EXPECT_FALSE(readWriteOutcome(R"({"written":true,"replaced":-1})"));
}

TEST(ShareMessages, AWriteCarriesAnyTextAsJson) {
    EXPECT_EQ(writeBody("d1", Text(u"[\"\\\r\0가", 6), 5500),
              R"({"desk":"d1","text":"[\"\\\r\u0000가","wait_ms":5500})");
    // A half of a character pair the host left alone goes as U+FFFD, never as broken UTF-8.
    EXPECT_EQ(readText(writeBody("d1", Text(1, char16_t(0xD800)), 1)), Text(1, char16_t(0xFFFD)));
}

}  // namespace
}  // namespace velko::share
