#include "platform/share/share_port.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "link/port_diagnostics.h"

namespace velko::share {

namespace {

// Half-second ticks to let pass after the gateway refused a connection, before trying again.
constexpr int kRefusedRetryPause = 9;

Text failureReason(const LinkFailure& failure) {
    const Text detail = fromUtf8(failure.detail);
    switch (failure.kind) {
        case LinkFailure::Kind::refused:
            if (failure.status == 401) return u"wrong password";
            if (failure.status == 404) return u"the gateway has no share";
            return u"the gateway answered " + decimalText(failure.status);
        case LinkFailure::Kind::fingerprint:
            return u"the certificate's fingerprint does not match";
        case LinkFailure::Kind::untrusted:
            return u"the certificate is not trusted: " + detail;
        case LinkFailure::Kind::unreachable:
            return u"the gateway cannot be reached: " + detail;
        case LinkFailure::Kind::silent:
            return u"the gateway did not answer: " + detail;
        case LinkFailure::Kind::lost:
            return detail.empty() ? Text(u"the gateway closed the connection")
                                  : u"the connection to the gateway broke: " + detail;
    }
    return detail;
}

// The end of the first piece of text: at most kPieceCharacters, never between the two halves of
// a surrogate pair.
size_t pieceEnd(TextView text) {
    if (text.size() <= SharePort::kPieceCharacters) return text.size();
    size_t end = SharePort::kPieceCharacters;
    if (text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
    return end;
}

}  // namespace

SharePort::SharePort(MessageLoop& loop, std::unique_ptr<Timer> retryTimer,
                     ShareTransport& transport, bool (*speedSupported)(uint32_t baud))
    : SerialPortProperties(speedSupported),
      loop_(loop),
      retryTimer_(std::move(retryTimer)),
      transport_(transport) {
    retryTimer_->setOnTick([this] { retry(); });
}

SharePort::~SharePort() {
    retryTimer_->setEnabled(false);
    dropLink();
}

Text SharePort::deviceName() const { return fromUtf8(settings_.address.url()); }

// A port that went away and is opened again by the host connects at once; when that fails it
// stays away and goes on trying by itself.
void SharePort::openPort() {
    if (state_ == State::opening) {
        refuseDevice(error_number::kPortAlreadyOpen, u"Port already open",
                     u"the port is opening already");
    }
    const bool wasAway = state_ == State::away;
    retryTimer_->setEnabled(false);
    state_ = State::opening;
    refusal_.reset();
    try {
        connect();
        runUntil(
            loop_, [this] { return state_ != State::opening || refusal_; },
            MessageLoop::Clock::now() + kOpenLimit);
    } catch (...) {
        if (state_ == State::opening) {
            dropLink();
            state_ = State::closed;
        }
        throw;
    }
    if (state_ == State::open) return;
    Text reason = u"the port was closed while it opened";
    if (state_ == State::opening) {
        reason = refusal_.value_or(u"the gateway did not answer within " +
                                   decimalText(kOpenLimit.count()) + u" s");
        dropLink();
        state_ = wasAway ? State::away : State::closed;
        if (wasAway) retryTimer_->setEnabled(true);
    }
    refuseOpening(reason);
}

void SharePort::refuseOpening(const Text& reason) {
    raiseDiagnostic(openFailedDiagnostic(deviceName(), reason));
    refuseDevice(error_number::kInvalidPortNumber, u"Invalid Port Number", reason);
}

void SharePort::closePort() {
    retryTimer_->setEnabled(false);
    dropLink();
    state_ = State::closed;
    waiting_.clear();
}

void SharePort::abandonOpening() {
    if (state_ == State::closed) return;
    retryTimer_->setEnabled(false);
    dropLink();
    state_ = State::closed;
}

void SharePort::connect() {
    dropLink();
    reader_ = EventStreamReader{};
    helloSeen_ = false;
    const uint64_t number = linkNumber_;
    link_ = transport_.connect(
        settings_, {[this, number](std::string_view bytes) { streamBytes(number, bytes); },
                    [this, number](const LinkFailure& failure) {
                        if (number == linkNumber_) streamEnded(failure);
                    },
                    [this, number](const WriteAnswer& answer) {
                        if (number == linkNumber_) written(answer);
                    }});
}

void SharePort::dropLink() {
    ++linkNumber_;
    link_.reset();
    unanswered_.clear();
    unansweredCharacters_ = 0;
}

// A handler of an event may close the port or reconnect: the events after it are then dropped.
void SharePort::streamBytes(uint64_t link, std::string_view bytes) {
    if (link != linkNumber_) return;
    std::vector<StreamEvent> events;
    const bool whole = reader_.feed(bytes, events);
    for (const StreamEvent& event : events) {
        streamEvent(event);
        if (link != linkNumber_) return;
    }
    if (!whole) streamBroken(u"the gateway sent an event longer than 256 KiB");
}

// Events of names it does not know are the gateway's news for newer desks: skipped.
void SharePort::streamEvent(const StreamEvent& event) {
    if (event.name == "hello") {
        const auto read = readHello(event.data);
        if (!read) return streamBroken(u"the gateway's hello is not a share's");
        hello(*read);
    } else if (!helloSeen_) {
        return;
    } else if (event.name == "text") {
        auto read = readText(event.data);
        if (!read) return streamBroken(u"the gateway sent text that is not a share's");
        text(std::move(*read));
    } else if (event.name == "terminal") {
        const auto read = readTerminalChange(event.data);
        if (!read) return streamBroken(u"the gateway sent a terminal change that is not a share's");
        terminalChanged(*read);
    } else if (event.name == "calls") {
        if (const auto calls = readCalls(event.data); calls && state_ == State::open) {
            calls_ = *calls;
        }
    }
}

void SharePort::streamEnded(const LinkFailure& failure) {
    if (state_ == State::away && failure.kind == LinkFailure::Kind::refused) {
        retryPause_ = kRefusedRetryPause;
    }
    streamBroken(failureReason(failure));
}

void SharePort::streamBroken(const Text& reason) {
    const State state = state_;
    dropLink();
    if (state == State::opening) refusal_ = reason;
    if (state == State::open) goAway(reason);
}

void SharePort::hello(const Hello& hello) {
    if (helloSeen_) return;
    helloSeen_ = true;
    desk_ = hello.desk;
    if (state_ == State::opening) {
        if (!hello.terminal) {
            refusal_ = u"the gateway's terminal is not connected";
            dropLink();
            return;
        }
        calls_ = hello.calls;
        state_ = State::open;
    } else if (state_ == State::away && hello.terminal) {
        comeBack(hello.calls);
    }
}

void SharePort::text(Text text) {
    if (state_ != State::open) return;
    waiting_ += text;
    if (thresholdReached(waiting_.size())) raiseOnComm();
}

void SharePort::terminalChanged(const TerminalChange& change) {
    if (state_ == State::open && !change.connected) {
        Text reason = u"the gateway's terminal is not connected";
        if (!change.reason.empty()) reason += u": " + fromUtf8(change.reason);
        if (change.calls) calls_ = *change.calls;
        goAway(reason);
    } else if (state_ == State::away && change.connected) {
        comeBack(change.calls.value_or(calls_));
    }
}

// The port is closed before the diagnostic goes out, so that whoever hears it finds it closed.
// A stream that still runs (the gateway's terminal went, the gateway stayed) is kept.
void SharePort::goAway(const Text& reason) {
    state_ = State::away;
    waiting_.clear();
    retryPause_ = 0;
    retryTimer_->setEnabled(true);
    raiseDiagnostic(deviceGoneDiagnostic(deviceName(), reason));
}

void SharePort::comeBack(int64_t calls) {
    const int64_t meanwhile = std::max<int64_t>(0, calls - calls_);
    calls_ = calls;
    state_ = State::open;
    retryTimer_->setEnabled(false);
    raiseDiagnostic(deviceBackDiagnostic(deviceName(), meanwhile));
}

void SharePort::retry() {
    if (state_ != State::away) {
        retryTimer_->setEnabled(false);
        return;
    }
    if (link_) return;
    if (retryPause_ > 0) {
        --retryPause_;
        return;
    }
    connect();
}

void SharePort::setOutput(const Text& text) {
    requireOpen();
    if (unansweredCharacters_ + text.size() > kMostUnanswered) {
        raise(error_number::kPortNotOpen, u"The port's device accepts no data");
    }
    for (TextView rest = text; !rest.empty();) {
        const size_t end = pieceEnd(rest);
        link_->write(
            writeBody(desk_, rest.substr(0, end), static_cast<int32_t>(kWriteWait.count())),
            kWriteWait);
        unanswered_.push_back(end);
        unansweredCharacters_ += end;
        rest.remove_prefix(end);
    }
}

// A write the gateway did not take (the line stayed busy, its terminal is not connected) is
// like a command the terminal never answered: the command's own wait tells.
void SharePort::written(const WriteAnswer& answer) {
    if (!unanswered_.empty()) {
        unansweredCharacters_ -= unanswered_.front();
        unanswered_.pop_front();
    }
    if (answer.failure || answer.status == 401 || answer.status == 404) {
        const State state = state_;
        const Text reason = answer.failure
                                ? failureReason(*answer.failure)
                                : failureReason({LinkFailure::Kind::refused, answer.status, {}});
        dropLink();
        if (state == State::open) goAway(reason);
        return;
    }
    if (answer.status != 200) return;
    const auto outcome = readWriteOutcome(answer.body);
    if (outcome && outcome->replaced > 0) {
        raiseDiagnostic(replacedCharactersDiagnostic(static_cast<size_t>(outcome->replaced)));
    }
}

Text SharePort::input() {
    requireOpen();
    return std::exchange(waiting_, Text{});
}

}  // namespace velko::share
