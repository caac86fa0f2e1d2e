// Feeds arbitrary text through the receive path (port notification, framing, decoders and field
// operations) on an in-memory port, and checks its properties:
//   - after a notification the buffer is within its bound and holds no complete message;
//   - message conservation: every complete message of the text (a header and the first end line
//     after it, see docs/receive-framing.md) reaches its decoder exactly once, in order, unless
//     it is longer than the bound;
//   - chunking invariance: the text delivered in the chunks of the input and in one chunk raises
//     the same host events (the diagnostics and ReceiveReal aside).
// Run-time errors of host calls are expected failures; anything else is a crash.
//
// Input: segments separated by the byte 0x01. A segment that starts with 0x02 is a host call:
// its next byte picks the call ('I' titled read, 'W' bare read, 'E' discard, 'R' report decoder,
// 'P' response decoder) and the rest is the title. A segment that starts with 0x03 arrives as
// its text after the next byte, repeated to 16 times that byte's value plus one characters (all
// such segments of an input together a little more than the bound), so that the buffer reaches
// its bound. Every other segment arrives on the line as one chunk. Text is
// read as UTF-8. The properties are checked on the text of the line's segments; the host's calls
// are made in a run of their own.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "decode/report_decoder.h"
#include "decode/response_decoder.h"
#include "link/field_extraction.h"
#include "link/receive_framing.h"
#include "support/fake_platform.h"

namespace {

using namespace velko;

constexpr char kSegmentEnd = '\x01';
constexpr char kHostCall = '\x02';
constexpr char kRepeated = '\x03';
// Repeated segments stop adding text past this many characters in one input.
constexpr size_t kRepeatedBudget = kLastHeldPosition + 512;

void check(bool holds) {
    if (!holds) std::abort();
}

// The host events as texts, in order; diagnostics and echoes are left out.
class HostEvents final : public VelkoEvents {
  public:
    void ReceiveCallByString(int16_t callState, Text& cidStrInfo) override {
        raised.push_back(u"call " + decimalText(callState) + u" " + cidStrInfo);
    }
    void callReported(const CallReport& report) override {
        raised.push_back(u"report " + report.call.lNumber + u"|" + report.call.lName);
    }
    void ReceiveCall(int16_t callState, CID_INFO&) override {
        raised.push_back(u"cid " + decimalText(callState));
    }
    void HookEvent(bool eventType) override { raised.push_back(eventType ? u"hook 1" : u"hook 0"); }
    void ReceiveResponse(int16_t msgType, const Text& rst1, const Text& rst2,
                         const Text& rst3) override {
        raised.push_back(u"response " + decimalText(msgType) + u"|" + rst1 + u"|" + rst2 + u"|" +
                         rst3);
    }
    void ReceiveGatheredInfo(int16_t& max, int16_t& kind, CidList& cidInfo) override {
        // The records hashed: a list is raised often, and as text it would cost most of the run.
        // A decoder writes no record beyond the one after the last it counts.
        uint64_t hash = 0;
        const auto mix = [&](uint64_t value) { hash = (hash ^ value) * 0x100000001b3; };
        const size_t written =
            std::min(cidInfo.size(), static_cast<size_t>(std::max(max, int16_t{0})) + 1);
        for (const CID_INFO& cid : std::span(cidInfo).first(written)) {
            for (int16_t value : {cid.lMonth, cid.lDay, cid.lHour, cid.lMin, cid.lGroup}) {
                mix(static_cast<uint16_t>(value));
            }
            for (const Text* field : {&cid.lNumber, &cid.lName, &cid.lTelType}) {
                mix(std::hash<Text>{}(*field));
            }
        }
        raised.push_back(u"list " + decimalText(max) + u" " + decimalText(kind) + u" " +
                         decimalText(static_cast<long long>(hash >> 1)));
    }

    std::vector<Text> raised;
};

// A message as its header and its body through the end line, hashed: the properties compare many
// of them, and a copy of each would cost more than the rest of the run.
size_t messageHash(TextView header, TextView body) {
    return std::hash<TextView>{}(body) ^ (header == kReportHeader ? 0x9e3779b97f4a7c15 : 0);
}

// The receive side of a control: the port's notification runs the framing, which calls the
// decoders through this interface, as the control does; each message handed to a decoder is
// recorded with its header.
class ReceivePath final : public _velko_foxpro {
  public:
    ReceivePath() {
        SharedState& state = velko_var();
        state.gRxData = RxBuffer{};
        state.gAckReceived = false;
        port_.setCommPort(1);
        port_.setPortOpen(true);
        port_.setOnComm([this] { receiveNotification(velko_var(), port_, *this, events); });
    }
    ~ReceivePath() override {
        velko_var().gRxData = RxBuffer{};
        clearPendingError();
    }
    ReceivePath(const ReceivePath&) = delete;
    ReceivePath& operator=(const ReceivePath&) = delete;

    // Delivers a chunk; afterwards the buffer is within its bound and holds no complete message.
    void receive(const Text& chunk) {
        port_.receive(chunk);
        const RxBuffer& buffer = velko_var().gRxData;
        check(!buffer.readingMessage() && buffer.size() <= kLastHeldPosition &&
              !buffer.nextFrame());
    }

    void ProcessReport() override {
        record(kReportHeader);
        processReport(velko_var(), *this, events);
    }
    void ProcessResponse() override {
        record(kResponseHeader);
        processResponse(velko_var(), *this, events);
    }
    Text GetInformationWithIndicator(Text title) override {
        return getInformationWithIndicator(velko_var(), title);
    }
    Text GetInformationWithoutIndicator() override {
        return getInformationWithoutIndicator(velko_var());
    }
    void EndMessageDiscard() override { endMessageDiscard(velko_var()); }

    // Not part of the receive path.
    int16_t OpenVelko(Text&, Text&) override { return 0; }
    int16_t CloseVelko(Text&, Text&) override { return 0; }
    bool ComPortStateGet() override { return true; }
    bool SendCmd(uint8_t&, Text&, Text&, Text&) override { return false; }
    void TxData(Text&) override {}
    Text GetCurrentErrorMsg() override { return {}; }
    void EventTest(Text&) override {}
    int16_t LastCallState() override { return 0; }
    int16_t LastCallMonth() override { return 0; }
    int16_t LastCallDay() override { return 0; }
    int16_t LastCallHour() override { return 0; }
    int16_t LastCallMin() override { return 0; }
    Text LastCallNumber() override { return {}; }
    Text LastCallName() override { return {}; }
    int16_t LastCallGroup() override { return 0; }
    Text LastCallTelType() override { return {}; }
    int16_t LastListKind() override { return 0; }
    int16_t LastListCount() override { return 0; }
    int16_t LastListMonth(int16_t) override { return 0; }
    int16_t LastListDay(int16_t) override { return 0; }
    int16_t LastListHour(int16_t) override { return 0; }
    int16_t LastListMin(int16_t) override { return 0; }
    Text LastListNumber(int16_t) override { return {}; }
    Text LastListName(int16_t) override { return {}; }
    int16_t LastListGroup(int16_t) override { return 0; }
    Text LastListTelType(int16_t) override { return {}; }

    HostEvents events;
    std::vector<size_t> dispatched;  // messageHash of each

  private:
    void record(TextView header) {
        const RxBuffer& buffer = velko_var().gRxData;
        if (!buffer.readingMessage()) return;  // a host's own call
        dispatched.push_back(messageHash(header, buffer.currentMessage()));
    }

    testing::FakeSerialPort port_;
};

// The complete messages of a text (their messageHash), read as the terminal's framing defines
// them.
std::vector<size_t> completeMessages(TextView text) {
    std::vector<size_t> messages;
    size_t response = text.find(kResponseHeader);
    size_t report = text.find(kReportHeader);
    for (size_t front = 0;;) {
        if (response < front) response = text.find(kResponseHeader, front);
        if (report < front) report = text.find(kReportHeader, front);
        if (response == TextView::npos && report == TextView::npos) break;
        const size_t headerAt = std::min(response, report);
        const TextView header = response < report ? kResponseHeader : kReportHeader;
        const size_t endLine = text.find(kEndLine, headerAt + header.size());
        if (endLine == TextView::npos) break;
        const size_t end = endLine + kEndLine.size();
        if (end - headerAt <= kLastHeldPosition) {
            messages.push_back(messageHash(
                header, text.substr(headerAt + header.size(), end - headerAt - header.size())));
        }
        front = end;
    }
    return messages;
}

Text repeated(std::string_view segment, size_t& budget) {
    if (segment.empty()) return {};
    const size_t length =
        std::min(budget, 16 * (static_cast<unsigned char>(segment.front()) + size_t{1}));
    Text text = fromUtf8(segment.substr(1));
    if (text.empty()) return {};
    const size_t units = (length + text.size() - 1) / text.size();
    const size_t unitSize = text.size();
    while (text.size() < units * unitSize) text += text;
    text.resize(units * unitSize);
    budget -= std::min(budget, text.size());
    return text;
}

void hostCall(ReceivePath& path, std::string_view call) {
    const char which = call.empty() ? 'I' : call.front();
    const Text title = fromUtf8(call.empty() ? call : call.substr(1));
    try {
        switch (which) {
            case 'W':
                path.GetInformationWithoutIndicator();
                break;
            case 'E':
                path.EndMessageDiscard();
                break;
            case 'R':
                path.ProcessReport();
                break;
            case 'P':
                path.ProcessResponse();
                break;
            default:
                path.GetInformationWithIndicator(title);
                break;
        }
    } catch (const RuntimeError&) {
    }
    check(!velko_var().gRxData.readingMessage());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fillLookupTables(velko_var());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<Text> chunks;
    std::vector<std::optional<std::string_view>> calls;  // before each chunk, and at the end
    size_t budget = kRepeatedBudget;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const size_t end = input.find(kSegmentEnd);
        const std::string_view segment = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (!segment.empty() && segment.front() == kHostCall) {
            calls.emplace_back(segment.substr(1));
            continue;
        }
        const bool isRepeated = !segment.empty() && segment.front() == kRepeated;
        chunks.push_back(isRepeated ? repeated(segment.substr(1), budget) : fromUtf8(segment));
        calls.emplace_back(std::nullopt);
    }

    Text whole;
    for (const Text& chunk : chunks) whole += chunk;
    const std::vector<size_t> expected = completeMessages(whole);
    std::vector<Text> inOneChunk;
    {
        ReceivePath path;
        path.receive(whole);
        check(path.dispatched == expected);
        inOneChunk = std::move(path.events.raised);
    }
    if (chunks.size() > 1) {
        ReceivePath path;
        for (const Text& chunk : chunks) path.receive(chunk);
        check(path.dispatched == expected);
        check(path.events.raised == inOneChunk);
    }
    if (chunks.size() == calls.size()) return 0;

    // The same chunks with the host's calls between them: no property but the buffer's own.
    ReceivePath path;
    auto chunk = chunks.begin();
    for (const auto& call : calls) {
        if (call) {
            hostCall(path, *call);
        } else {
            path.receive(*chunk++);
        }
    }
    return 0;
}
