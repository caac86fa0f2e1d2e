// Feeds arbitrary text through the receive path of a control on the in-memory platform and calls
// the field operations and decoders the way a host may. Run-time errors of direct calls are
// expected failures; anything else, and a broken property of the receive path, is a crash.
//
// Input: segments separated by the byte 0x01. A segment that starts with 0x02 is a host call:
// its next byte picks the call ('I' titled read, 'W' bare read, 'E' discard, 'R' report decoder,
// 'P' response decoder) and the rest is the title. A segment that starts with 0x03 arrives as
// its text after the next byte, repeated to 64 times that byte's value plus one characters, so
// that the buffer reaches its bound. Every other segment arrives on the line as one chunk. Text is
// read as UTF-8.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "control/message_window.h"
#include "control/runtime_error.h"
#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "link/frame_markers.h"
#include "support/fake_platform.h"

namespace {

using namespace velko;

constexpr char kSegmentEnd = '\x01';
constexpr char kHostCall = '\x02';
constexpr char kRepeated = '\x03';

Text repeated(std::string_view segment) {
    if (segment.empty()) return {};
    const size_t length = 64 * (static_cast<unsigned char>(segment.front()) + size_t{1});
    const Text unit = fromUtf8(segment.substr(1));
    if (unit.empty()) return {};
    Text text;
    while (text.size() < length) text += unit;
    return text;
}

void hostCall(velko_foxpro& control, std::string_view call) {
    const char which = call.empty() ? 'I' : call.front();
    const Text title = fromUtf8(call.empty() ? call : call.substr(1));
    try {
        switch (which) {
            case 'W':
                control.GetInformationWithoutIndicator();
                break;
            case 'E':
                control.EndMessageDiscard();
                break;
            case 'R':
                control.ProcessReport();
                break;
            case 'P':
                control.ProcessResponse();
                break;
            default:
                control.GetInformationWithIndicator(title);
                break;
        }
    } catch (const RuntimeError&) {
    }
}

// After a notification the buffer is within its bound and holds no complete message.
void checkReceivePath() {
    const SharedState& state = velko_var();
    if (state.messageEnd) std::abort();
    const TextView buffer = state.gRxData.view();
    if (buffer.size() > 32767) std::abort();
    if (const auto header = firstHeader(buffer)) {
        if (buffer.find(kEndLine, header->at + header->header.size()) != TextView::npos) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velko_var() = SharedState{};
    clearPendingError();
    testing::FakePlatform platform;
    velko_foxpro control{platform};
    Text portName = u"COM1";
    Text error;
    if (control.OpenVelko(portName, error) != 0) std::abort();

    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const size_t end = input.find(kSegmentEnd);
        const std::string_view segment = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (!segment.empty() && segment.front() == kHostCall) {
            hostCall(control, segment.substr(1));
            if (velko_var().messageEnd) std::abort();
            continue;
        }
        const bool isRepeated = !segment.empty() && segment.front() == kRepeated;
        platform.lastPort->receive(isRepeated ? repeated(segment.substr(1)) : fromUtf8(segment));
        checkReceivePath();
    }
    return 0;
}
