#include "gateway/log/log_writer.h"

#include <algorithm>

#include "gateway/calls/call_time.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kFirstRetry = 1s;
constexpr std::chrono::milliseconds kLongestRetry = 30s;

std::vector<DeliveryState> pendingFor(const std::vector<std::string>& outputs) {
    std::vector<DeliveryState> deliveries;
    for (const std::string& output : outputs) deliveries.emplace_back(output, std::nullopt);
    return deliveries;
}

// Sets the output's delivery state in the item of the id given, when memory holds it.
template <typename Items, typename IdOf>
bool acknowledgeWaiting(Items& items, IdOf idOf, int64_t id, std::string_view output,
                        const std::string& when) {
    const auto found = std::ranges::lower_bound(items, id, {}, idOf);
    if (found == items.end() || idOf(*found) != id) return false;
    for (auto& [name, delivered] : found->deliveries) {
        if (name == output) delivered = when;
    }
    return true;
}

// Appends to page, up to limit, the items memory holds for the output after the id given.
template <typename Page, typename Items, typename IdOf, typename Value>
void appendWaiting(Page& page, const Items& items, IdOf idOf, Value value, std::string_view output,
                   int64_t afterId, size_t limit) {
    for (auto item = std::ranges::upper_bound(items, afterId, {}, idOf);
         item != items.end() && page.size() < limit; ++item) {
        const bool pending = std::ranges::any_of(item->deliveries, [&](const auto& delivery) {
            return delivery.first == output && !delivery.second;
        });
        if (pending) page.push_back(value(*item));
    }
}

int64_t callIdOf(const LoggedCall& logged) { return logged.call.id; }
int64_t hangUpIdOf(const LoggedHangUp& logged) { return logged.finished.call.id; }

}  // namespace

LogWriter::LogWriter(CallLog& log, LoopAccess& loop, Listener& listener)
    : log_(log),
      loop_(loop),
      listener_(listener),
      nextCallId_(log.lastCallId() + 1),
      lastWrittenCall_(log.lastCallId()),
      retryWait_(kFirstRetry) {}

LogWriter::~LogWriter() {
    if (retryAlarm_ != 0) loop_.cancel(retryAlarm_);
}

bool LogWriter::roomInMemory(size_t items) const {
    return waiting_.calls.size() + waiting_.hangUps.size() + waiting_.hookChanges.size() + items <=
           kMemoryBound;
}

bool LogWriter::addCall(Call& call, const std::vector<std::string>& outputs) {
    call.id = nextCallId_++;
    if (!roomInMemory(1)) return false;
    waiting_.calls.push_back({call, pendingFor(outputs)});
    queued(true);
    return true;
}

bool LogWriter::addCalls(std::vector<Call>& calls, const std::vector<std::string>& outputs) {
    if (calls.empty()) return true;
    if (!roomInMemory(calls.size())) return false;
    for (Call& call : calls) {
        call.id = nextCallId_++;
        waiting_.calls.push_back({call, pendingFor(outputs)});
    }
    queued(true);
    return true;
}

bool LogWriter::addHangUp(const FinishedCall& finished, const std::vector<std::string>& outputs) {
    if (!roomInMemory(1)) return false;
    waiting_.hangUps.push_back({finished, pendingFor(outputs)});
    queued(true);
    return true;
}

void LogWriter::addHookChange(const HookChange& change) {
    if (!roomInMemory(1)) return;
    waiting_.hookChanges.push_back(change);
    queued(true);
}

void LogWriter::delivered(int64_t callId, std::string_view output, const std::string& when) {
    if (acknowledgeWaiting(waiting_.calls, callIdOf, callId, output, when)) return;
    acknowledge(callId, output, when, false);
}

void LogWriter::hangUpDelivered(int64_t callId, std::string_view output, const std::string& when) {
    if (acknowledgeWaiting(waiting_.hangUps, hangUpIdOf, callId, output, when)) return;
    acknowledge(callId, output, when, true);
}

void LogWriter::acknowledge(int64_t callId, std::string_view output, const std::string& when,
                            bool hangUp) {
    // A call that was not kept has no row to mark.
    if (callId > lastWrittenCall_) return;
    waiting_.acknowledgements.push_back({callId, std::string(output), when, hangUp});
    const auto counted = unwrittenAcknowledgements_.find(output);
    if (counted == unwrittenAcknowledgements_.end()) {
        unwrittenAcknowledgements_.emplace(output, 1);
    } else {
        ++counted->second;
    }
    queued(false);
}

size_t LogWriter::unwrittenAcknowledgements(std::string_view output) const {
    const auto counted = unwrittenAcknowledgements_.find(output);
    return counted == unwrittenAcknowledgements_.end() ? 0 : counted->second;
}

std::optional<std::vector<Call>> LogWriter::pendingCalls(std::string_view output, int64_t afterId,
                                                         size_t limit) {
    auto page = readLog([&] {
        return afterId < lastWrittenCall_
                   ? log_.pendingCalls(output, afterId, static_cast<int64_t>(limit))
                   : std::vector<Call>{};
    });
    if (!page) return std::nullopt;
    appendWaiting(
        *page, waiting_.calls, callIdOf, [](const LoggedCall& logged) { return logged.call; },
        output, page->empty() ? afterId : page->back().id, limit);
    return page;
}

std::optional<std::vector<FinishedCall>> LogWriter::pendingHangUps(std::string_view output,
                                                                   int64_t afterId, size_t limit) {
    auto page = readLog([&] {
        return afterId < lastWrittenCall_
                   ? log_.pendingHangUps(output, afterId, static_cast<int64_t>(limit))
                   : std::vector<FinishedCall>{};
    });
    if (!page) return std::nullopt;
    appendWaiting(
        *page, waiting_.hangUps, hangUpIdOf,
        [](const LoggedHangUp& logged) { return logged.finished; }, output,
        page->empty() ? afterId : page->back().call.id, limit);
    return page;
}

std::optional<std::vector<Call>> LogWriter::callsAt(const std::string& line,
                                                    const std::vector<Call>& like) {
    auto calls = readLog([&] { return log_.callsAt(line, like); });
    if (!calls) return std::nullopt;
    for (const LoggedCall& waiting : waiting_.calls) {
        const Call& call = waiting.call;
        const bool alike =
            std::ranges::any_of(like, [&](const Call& other) { return sameMinute(call, other); });
        if (call.line == line && alike) calls->push_back(call);
    }
    return calls;
}

std::optional<std::optional<std::string>> LogWriter::newestCallTime(const std::string& line) {
    auto read = readLog([&] { return log_.newestCallTime(line); });
    if (!read) return std::nullopt;
    std::optional<std::string>& newest = *read;
    const auto momentOf = [](const std::optional<std::string>& time) {
        return time ? momentOfTimeText(*time) : std::nullopt;
    };
    for (const LoggedCall& waiting : waiting_.calls) {
        if (waiting.call.line != line || !momentOf(waiting.call.time)) continue;
        if (!momentOf(newest) || *momentOf(waiting.call.time) > *momentOf(newest)) {
            newest = waiting.call.time;
        }
    }
    return read;
}

void LogWriter::queued(bool now) {
    if (failing()) return;
    if (now) {
        write();
    } else {
        scheduleWrite();
    }
}

void LogWriter::scheduleWrite() {
    if (writeScheduled_) return;
    writeScheduled_ = true;
    loop_.post([this] {
        writeScheduled_ = false;
        if (!failing()) write();
    });
}

bool LogWriter::write() {
    if (waiting_.empty()) {
        // What failed was reading: the outputs' feeds read again.
        if (failure_) recovered(0);
        return !failing();
    }
    try {
        log_.write(waiting_);
    } catch (const DatabaseError& error) {
        failed(error.reason());
        return false;
    }
    const size_t calls = waiting_.calls.size();
    if (!waiting_.calls.empty()) lastWrittenCall_ = waiting_.calls.back().call.id;
    waiting_ = {};
    unwrittenAcknowledgements_.clear();
    if (failure_) {
        recovered(calls);
    } else {
        listener_.written();
    }
    return true;
}

void LogWriter::failed(const std::string& reason) {
    failedAgain_ = true;
    if (failure_ != reason) listener_.logFailing(reason);
    failure_ = reason;
    retryLater();
}

// The outputs' feeds read the log again before the failure counts as over, so that a log that
// cannot be read stays failing and is told once.
void LogWriter::recovered(size_t calls) {
    failedAgain_ = false;
    listener_.written();
    if (failedAgain_) return;
    failure_.reset();
    retryWait_ = kFirstRetry;
    if (retryAlarm_ != 0) loop_.cancel(retryAlarm_);
    retryAlarm_ = 0;
    listener_.logRecovered(calls);
}

void LogWriter::retryLater() {
    if (retryAlarm_ != 0) return;
    retryAlarm_ = loop_.after(retryWait_, [this] {
        retryAlarm_ = 0;
        write();
    });
    retryWait_ = std::min(retryWait_ * 2, kLongestRetry);
}

}  // namespace velko::gateway
