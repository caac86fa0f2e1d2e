#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "control/text.h"

namespace velko {

// The markers of the terminal's messages (docs/receive-framing.md).
inline constexpr TextView kEndLine = u"End\r\n";
inline constexpr TextView kResponseHeader = u"Response\r\n";
inline constexpr TextView kReportHeader = u"Report\r\n";
inline constexpr TextView kAcknowledgement = u"ACK";

// The last 1-based position the control holds in 16 bits: the bound of the receive buffer. The
// fuzz target is built with a smaller one (VELKO_RX_BOUND), so that short inputs reach it.
#ifdef VELKO_RX_BOUND
inline constexpr size_t kLastHeldPosition = VELKO_RX_BOUND;
#else
inline constexpr size_t kLastHeldPosition = 32767;
#endif

// What the framing hands on next: a message (its header, and the text through the end line
// that closes it) or, when the buffer holds no header, the text through its last end line.
struct Frame {
    size_t headerAt;  // 0-based index of the header in view(); unused for text without one
    TextView header;  // kResponseHeader, kReportHeader, or empty for text without a header
    size_t end;       // 0-based index just past the end line
};

// The receive buffer: the received text, consumed from the front. It knows where the markers
// stand (each character is looked at once when it arrives, whatever the chunking), which
// message is being read, and keeps itself within its bound. Indexes are 0-based into view();
// an index that the control cannot hold as a 16-bit position is an overflow run-time error.
class RxBuffer {
  public:
    TextView view() const { return TextView(storage_).substr(start_); }
    size_t size() const { return storage_.size() - start_; }
    bool empty() const { return size() == 0; }

    // Appends received text. True when "ACK" arrived with it (joined to the characters received
    // just before it, so that one split between two reads counts, and counts once).
    bool append(TextView text);
    // Removes count characters (at most all of them) from the front.
    void consumeFront(size_t count);
    void clear() { consumeFront(size()); }

    // Framing.
    // True when the framing has nothing to do: no end line, and nothing beyond the bound.
    bool settled() const {
        return endLines_.empty() && !skippingOverlong_ && size() <= kLastHeldPosition;
    }
    // The first message whose end line has arrived, or text without any header through its
    // last end line; none while the first header waits for its end line.
    std::optional<Frame> nextFrame() const;
    // Drops what cannot be handed on within the bound: a message longer than the bound (now,
    // or the rest of it as it arrives), the text in front of the first header when its message
    // would end beyond the bound, and text without a header beyond the bound (all but what may
    // begin a header). Complete messages within the bound are never touched. Returns how many
    // characters went.
    size_t keepWithinBound();

    // The message being read. While a MessageScope is open, what is left of its message through
    // its end line (nothing once that is consumed); otherwise the text through the first end
    // line, or the whole buffer when none has arrived.
    TextView currentMessage() const;
    bool readingMessage() const { return messageEnd_.has_value(); }
    // True when the current message holds its end line.
    bool messageComplete() const;
    // Removes the current message through the end of the first occurrence of title in it. False,
    // leaving the buffer as it is, when the message is empty or title does not occur in it.
    bool takeThroughTitle(TextView title);
    // Removes the first line of the current message with its CR LF and returns it; none, leaving
    // the buffer as it is, when the message holds no CR LF.
    std::optional<Text> takeLine();
    // Removes the current message through its first end line, if it has one.
    void discardThroughEndLine();

    // Marks the message at the front as the one being read, for the lifetime of the scope.
    // Nested scopes keep the outer message.
    class MessageScope {
      public:
        explicit MessageScope(RxBuffer& buffer);
        ~MessageScope() { buffer_.messageEnd_ = outer_; }
        MessageScope(const MessageScope&) = delete;
        MessageScope& operator=(const MessageScope&) = delete;

        // Removes what is left of the message, through its end line (everything, when its end
        // line has not arrived).
        void dropRest() { buffer_.consumeFront(buffer_.currentMessage().size()); }

      private:
        RxBuffer& buffer_;
        std::optional<uint64_t> outer_;
    };

  private:
    struct HeaderMark {
        uint64_t at;
        TextView header;
    };

    // Marks in stream order, added at the back and removed from the front; the storage is
    // reused, and nothing is allocated while it is empty.
    template <typename Mark>
    class MarkQueue {
      public:
        bool empty() const { return head_ == marks_.size(); }
        const Mark& front() const { return marks_[head_]; }
        const Mark& back() const { return marks_.back(); }
        auto begin() const { return marks_.begin() + static_cast<ptrdiff_t>(head_); }
        auto end() const { return marks_.end(); }
        void push_back(const Mark& mark) { marks_.push_back(mark); }
        void pop_front() {
            if (++head_ == marks_.size()) {
                marks_.clear();
                head_ = 0;
            } else if (head_ > 64 && head_ * 2 > marks_.size()) {
                marks_.erase(marks_.begin(), begin());
                head_ = 0;
            }
        }

      private:
        std::vector<Mark> marks_;
        size_t head_ = 0;
    };

    uint64_t frontOffset() const { return base_ + start_; }
    // Notes the marker that ends just before storage_[end], if one does.
    void noteMarkerEndingAt(size_t end);
    // The index of the first end line that starts at or after a stream offset.
    std::optional<size_t> endLineFrom(uint64_t offset) const;
    // The index of the end line that closes the current message, if it holds one.
    std::optional<size_t> endLineInMessage() const;
    // The index of text in the current message, npos when absent. A text once found absent is
    // remembered as absent while the message keeps its end.
    size_t findInMessage(TextView message, TextView text);

    Text storage_;
    size_t start_ = 0;
    uint64_t base_ = 0;  // stream offset of storage_[0]
    // Stream offsets of the markers that start at or after the front.
    MarkQueue<uint64_t> endLines_;
    MarkQueue<HeaderMark> headers_;
    // How many of the first characters of "ACK" the text received so far ends in.
    size_t ackMatched_ = 0;
    // Set while the front lies within a message longer than the bound: text is dropped through
    // its end line as it arrives.
    bool skippingOverlong_ = false;
    // Stream offset just past the end line of the message being read.
    std::optional<uint64_t> messageEnd_;
    // Texts found absent from the current message, and the stream offset of its end then.
    std::vector<Text> absent_;
    uint64_t absentEnd_ = 0;
};

using MessageScope = RxBuffer::MessageScope;

}  // namespace velko
