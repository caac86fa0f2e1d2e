#include "control/rx_buffer.h"

#include <algorithm>

#include "control/runtime_error.h"

namespace velko {

namespace {

// A 0-based index one beyond the last held position cannot be held as a 1-based position.
void checkHeld(size_t index) {
    if (index >= kLastHeldPosition) raiseOverflow();
}

// Texts remembered as absent from one message: the decoders look for a handful of titles.
constexpr size_t kAbsentTextsKept = 8;

// The characters that may begin a marker still arriving: one fewer than the longest.
constexpr size_t kMarkerStartKept = kResponseHeader.size() - 1;
constexpr size_t kEndLineStartKept = kEndLine.size() - 1;

}  // namespace

bool RxBuffer::append(TextView text) {
    const size_t from = storage_.size();
    storage_.append(text);
    bool acknowledged = false;
    for (size_t at = 0; at < text.size(); ++at) {
        const char16_t c = text[at];
        // Every marker ends in CR LF, so each one that the new text completes ends at one of its
        // LFs.
        if (c == u'\n') noteMarkerEndingAt(from + at + 1);
        // No beginning of "ACK" recurs within it, so a character that breaks a match can only
        // begin a new one.
        ackMatched_ = c == kAcknowledgement[ackMatched_] ? ackMatched_ + 1
                      : c == kAcknowledgement[0]         ? 1
                                                         : 0;
        if (ackMatched_ == kAcknowledgement.size()) {
            acknowledged = true;
            ackMatched_ = 0;
        }
    }
    return acknowledged;
}

// The character before the CR tells which marker it can be.
void RxBuffer::noteMarkerEndingAt(size_t end) {
    const TextView text(storage_);
    if (end < 3 || text[end - 2] != kCR) return;
    TextView marker;
    switch (text[end - 3]) {
        case u'd':
            marker = kEndLine;
            break;
        case u't':
            marker = kReportHeader;
            break;
        case u'e':
            marker = kResponseHeader;
            break;
        default:
            return;
    }
    if (end < start_ + marker.size() || text.substr(end - marker.size(), marker.size()) != marker) {
        return;
    }
    const uint64_t at = base_ + end - marker.size();
    if (marker == kEndLine) {
        endLines_.push_back(at);
    } else {
        headers_.push_back({at, marker});
    }
}

void RxBuffer::consumeFront(size_t count) {
    count = std::min(count, size());
    start_ += count;
    const uint64_t front = frontOffset();
    while (!endLines_.empty() && endLines_.front() < front) endLines_.pop_front();
    while (!headers_.empty() && headers_.front().at < front) headers_.pop_front();
    if (start_ == storage_.size()) {
        base_ += storage_.size();
        storage_.clear();
        start_ = 0;
    } else if (start_ > 1024 && start_ * 2 > storage_.size()) {
        storage_.erase(0, start_);
        base_ += start_;
        start_ = 0;
    }
}

std::optional<size_t> RxBuffer::endLineFrom(uint64_t offset) const {
    if (endLines_.empty() || endLines_.back() < offset) return std::nullopt;
    if (endLines_.front() >= offset) return static_cast<size_t>(endLines_.front() - frontOffset());
    const auto found = std::lower_bound(endLines_.begin(), endLines_.end(), offset);
    if (found == endLines_.end()) return std::nullopt;
    return static_cast<size_t>(*found - frontOffset());
}

std::optional<Frame> RxBuffer::nextFrame() const {
    if (skippingOverlong_) return std::nullopt;
    if (headers_.empty()) {
        if (endLines_.empty()) return std::nullopt;
        return Frame{
            0, {}, static_cast<size_t>(endLines_.back() - frontOffset()) + kEndLine.size()};
    }
    const HeaderMark& header = headers_.front();
    const auto endLine = endLineFrom(header.at + header.header.size());
    if (!endLine) return std::nullopt;
    return Frame{static_cast<size_t>(header.at - frontOffset()), header.header,
                 *endLine + kEndLine.size()};
}

size_t RxBuffer::keepWithinBound() {
    // Within the bound, no message can be longer than it, nor end beyond it.
    if (!skippingOverlong_ && size() <= kLastHeldPosition) return 0;
    const uint64_t before = frontOffset();
    for (;;) {
        if (skippingOverlong_) {
            const auto endLine = endLineFrom(frontOffset());
            if (!endLine) {
                consumeFront(size() - std::min(size(), kEndLineStartKept));
                break;
            }
            skippingOverlong_ = false;
            consumeFront(*endLine + kEndLine.size());
            continue;
        }
        if (headers_.empty()) {
            if (size() > kLastHeldPosition) consumeFront(size() - kMarkerStartKept);
            break;
        }
        const HeaderMark& header = headers_.front();
        const size_t headerAt = static_cast<size_t>(header.at - frontOffset());
        const auto endLine = endLineFrom(header.at + header.header.size());
        const size_t end = endLine ? *endLine + kEndLine.size() : size();
        if (end - headerAt > kLastHeldPosition) {
            // The message is longer than the bound, or will be once its end line arrives.
            skippingOverlong_ = !endLine;
            consumeFront(endLine ? end : size() - kEndLineStartKept);
            continue;
        }
        if (end > kLastHeldPosition) consumeFront(headerAt);
        break;
    }
    return static_cast<size_t>(frontOffset() - before);
}

TextView RxBuffer::currentMessage() const {
    const TextView buffer = view();
    if (messageEnd_) {
        if (*messageEnd_ <= frontOffset()) return {};
        return buffer.substr(0, static_cast<size_t>(*messageEnd_ - frontOffset()));
    }
    const auto endLine = endLineFrom(frontOffset());
    return endLine ? buffer.substr(0, *endLine + kEndLine.size()) : buffer;
}

std::optional<size_t> RxBuffer::endLineInMessage() const {
    const auto endLine = endLineFrom(frontOffset());
    if (!endLine || *endLine + kEndLine.size() > currentMessage().size()) return std::nullopt;
    checkHeld(*endLine);
    return endLine;
}

bool RxBuffer::messageComplete() const { return endLineInMessage().has_value(); }

size_t RxBuffer::findInMessage(TextView message, TextView text) {
    const uint64_t end = frontOffset() + message.size();
    if (absentEnd_ != end) {
        absent_.clear();
        absentEnd_ = end;
    }
    if (std::find(absent_.begin(), absent_.end(), text) != absent_.end()) return TextView::npos;
    const size_t at = message.find(text);
    if (at == TextView::npos && absent_.size() < kAbsentTextsKept) absent_.emplace_back(text);
    return at;
}

bool RxBuffer::takeThroughTitle(TextView title) {
    const TextView message = currentMessage();
    if (message.empty()) return false;
    const size_t at = findInMessage(message, title);
    if (at == TextView::npos) return false;
    checkHeld(at);
    consumeFront(at + title.size());
    return true;
}

std::optional<Text> RxBuffer::takeLine() {
    const size_t lineEnd = findInMessage(currentMessage(), kCRLF);
    if (lineEnd == TextView::npos) return std::nullopt;
    checkHeld(lineEnd);
    Text line(view().substr(0, lineEnd));
    consumeFront(lineEnd + kCRLF.size());
    return line;
}

void RxBuffer::discardThroughEndLine() {
    if (const auto endLine = endLineInMessage()) consumeFront(*endLine + kEndLine.size());
}

RxBuffer::MessageScope::MessageScope(RxBuffer& buffer)
    : buffer_(buffer), outer_(buffer.messageEnd_) {
    if (outer_) return;
    if (const auto endLine = buffer.endLineFrom(buffer.frontOffset())) {
        buffer.messageEnd_ = buffer.frontOffset() + *endLine + kEndLine.size();
    }
}

}  // namespace velko
