#include "gateway/terminal/memory_reader.h"

namespace velko::gateway {

namespace {

constexpr uint8_t kStoredCallList = 97;
constexpr std::chrono::seconds kAnswerLimit{10};

}  // namespace

MemoryReader::MemoryReader(_velko_foxpro& control, LoopAccess& loop, std::chrono::minutes interval,
                           Handlers handlers)
    : control_(control), loop_(loop), interval_(interval), handlers_(std::move(handlers)) {}

MemoryReader::~MemoryReader() { disconnected(); }

// The first read runs from the loop, not inside the caller that tells of the connection.
void MemoryReader::connected() {
    cancel(nextAlarm_);
    nextAlarm_ = loop_.after(std::chrono::milliseconds::zero(), [this] {
        nextAlarm_ = 0;
        read();
    });
}

void MemoryReader::disconnected() {
    cancel(nextAlarm_);
    cancel(answerAlarm_);
}

void MemoryReader::cancel(int& alarm) {
    if (alarm != 0) loop_.cancel(alarm);
    alarm = 0;
}

void MemoryReader::read() {
    if (answerAlarm_ != 0) return;
    nextAlarm_ = loop_.after(interval_, [this] {
        nextAlarm_ = 0;
        read();
    });
    answerAlarm_ = loop_.after(kAnswerLimit, [this] {
        answerAlarm_ = 0;
        handlers_.failed("no answer within 10 s");
    });
    uint8_t command = kStoredCallList;
    Text none1, none2, none3;
    // The control waits for the acknowledgement in the loop: reports that come meanwhile, and
    // even a lost port, are handled before it returns. A disconnection or a stop meanwhile has
    // let go of the answer: the request ended untold.
    const bool sent = control_.SendCmd(command, none1, none2, none3);
    if (sent || answerAlarm_ == 0) return;
    cancel(answerAlarm_);
    handlers_.failed(control_.ComPortStateGet() ? "the terminal did not acknowledge"
                                                : "the port is not open");
}

void MemoryReader::gathered(int16_t count, int16_t kind, const CidList& list) {
    if (kind != kStoredCallList || answerAlarm_ == 0) return;
    cancel(answerAlarm_);
    handlers_.listed(list, count);
}

}  // namespace velko::gateway
