#include "gateway/gateway.h"

#include "gateway/calls/call_time.h"
#include "gateway/terminal/stored_calls.h"

namespace velko::gateway {

namespace {

std::chrono::system_clock::time_point now() { return std::chrono::system_clock::now(); }

std::time_t seconds() { return std::chrono::system_clock::to_time_t(now()); }

}  // namespace

Gateway::Gateway(CallLog& log, LoopAccess& loop, ReportPrinter& report, GatewaySettings settings)
    : loop_(loop), report_(report), settings_(std::move(settings)), writer_(log, loop, *this) {}

Gateway::~Gateway() {
    if (ringingAlarm_ != 0) loop_.cancel(ringingAlarm_);
}

void Gateway::addOutput(Output& output) {
    feeds_.push_back(std::make_unique<OutputFeed>(output, writer_));
    outputNames_.emplace_back(output.name());
    if (output.reportsHangUps()) hangUpOutputNames_.emplace_back(output.name());
}

void Gateway::addWatcher(LineWatcher& watcher) { watchers_.push_back(&watcher); }

void Gateway::start() {
    for (const auto& feed : feeds_) {
        feed->topUp();
        feed->output().lineStatus(status_);
    }
}

bool Gateway::finish() {
    // The outputs have stopped: nothing more is handed to them.
    feeds_.clear();
    if (writer_.write()) return true;
    report_.failure("writing the call log",
                    std::to_string(writer_.waitingCalls()) + " calls waiting in memory are lost");
    return false;
}

Call Gateway::logged(const CallReport& report) {
    Call call;
    call.state = report.callState;
    call.month = report.call.lMonth;
    call.day = report.call.lDay;
    call.hour = report.call.lHour;
    call.minute = report.call.lMin;
    const auto received = now();
    if (const auto moment = inferCallMoment(call.month, call.day, call.hour, call.minute,
                                            std::chrono::system_clock::to_time_t(received))) {
        call.time = localTimeText(*moment);
    }
    call.number = toUtf8(report.call.lNumber);
    call.name = toUtf8(report.call.lName);
    call.group = report.call.lGroup;
    call.type = toUtf8(report.call.lTelType);
    call.line = settings_.line;
    call.received = utcTimeText(received);
    checkClock(call, received);
    return call;
}

void Gateway::checkClock(const Call& call, std::chrono::system_clock::time_point received) {
    if (!call.time) return;
    const auto moment = momentOfTimeText(*call.time);
    if (!moment) return;
    if (const auto off =
            clockCheck_.reported(*moment, std::chrono::system_clock::to_time_t(received))) {
        report_.clockOff(*off);
    }
}

void Gateway::callReported(const CallReport& report) {
    Call call = logged(report);
    const bool kept = writer_.addCall(call, outputNames_);
    report_.call(call);
    if (kept) {
        handAdded();
        for (LineWatcher* watcher : watchers_) watcher->callLogged(call);
    } else {
        // Neither the log nor memory holds it: the outputs still get it, when they have room,
        // and the watchers, which read the log, learn of it only as the line's ringing.
        report_.failure("logging call " + std::to_string(call.id),
                        "the log is failing and memory holds all it may");
        for (const auto& feed : feeds_) feed->handOver(call);
    }
    ringingCall_ = call;
    ringingSince_ = seconds();
    if (ringingAlarm_ != 0) loop_.cancel(ringingAlarm_);
    ringingAlarm_ = loop_.after(settings_.ringingTime, [this] {
        ringingAlarm_ = 0;
        ringingCall_.reset();
        setRinging(false);
    });
    setRinging(true);
}

void Gateway::storedCallsListed(const CidList& list, int count) {
    const auto read = now();
    const std::vector<StoredCall> stored = storedCalls(
        list, count, settings_.line, std::chrono::system_clock::to_time_t(read), utcTimeText(read));
    const auto logged = writer_.callsAt(settings_.line, possibleLoggedCalls(stored));
    const auto newest = writer_.newestCallTime(settings_.line);
    if (!logged || !newest) return backfillFailed("the call log cannot be read");
    std::optional<std::time_t> keptSince;
    if (settings_.keepDays) {
        keptSince = std::chrono::system_clock::to_time_t(read - *settings_.keepDays);
    }
    std::vector<Call> added = missingCalls(stored, *logged, keptSince);
    if (!writer_.addCalls(added, outputNames_)) {
        return backfillFailed("the log is failing and memory holds all it may");
    }
    for (const Call& call : added) report_.call(call);
    handAdded();
    for (const Call& call : added) {
        for (LineWatcher* watcher : watchers_) watcher->callLogged(call);
    }
    const std::optional<PossibleGap> gap = possibleGap(stored, *newest);
    report_.backfill(stored.size(), added.size(), gap);
    if (status_.backfillGap == gap) return;
    status_.backfillGap = gap;
    publishStatus();
}

void Gateway::backfillFailed(const std::string& reason) { report_.backfillFailed(reason); }

void Gateway::hookChanged(bool offHook) {
    writer_.addHookChange({offHook, settings_.line, utcTimeText(now())});
    if (offHook && ringingCall_) {
        answeredCall_ = FinishedCall{*ringingCall_, ringingSince_, seconds(), 0};
    } else if (!offHook && answeredCall_) {
        answeredCall_->ended = seconds();
        if (writer_.addHangUp(*answeredCall_, hangUpOutputNames_)) handAdded();
        answeredCall_.reset();
    }
    // Told once everything the change brings is logged.
    report_.hook(offHook);
    if (offHook) {
        ringingCall_.reset();
        if (ringingAlarm_ != 0) loop_.cancel(ringingAlarm_);
        ringingAlarm_ = 0;
        status_.ringing = false;
    }
    status_.offHook = offHook;
    publishStatus();
}

void Gateway::terminalChanged(bool connected, const std::string& reason) {
    report_.connection("terminal", connected, reason);
    status_.terminalConnected = connected;
    publishStatus();
}

void Gateway::handAdded() {
    for (const auto& feed : feeds_) {
        feed->added();
        feed->topUp();
    }
}

void Gateway::acknowledged(std::string_view output) {
    for (const auto& feed : feeds_) {
        if (feed->output().name() != output) continue;
        feed->acknowledged();
        feed->topUp();
    }
}

void Gateway::delivered(std::string_view output, int64_t callId) {
    writer_.delivered(callId, output, utcTimeText(now()));
    report_.delivered(output, callId);
    acknowledged(output);
}

void Gateway::hangUpDelivered(std::string_view output, int64_t callId) {
    writer_.hangUpDelivered(callId, output, utcTimeText(now()));
    acknowledged(output);
}

void Gateway::connectionChanged(std::string_view output, bool up, const std::string& reason) {
    report_.connection(output, up, reason);
    for (LineWatcher* watcher : watchers_) watcher->outputChanged(output, up);
}

void Gateway::logFailing(const std::string& reason) {
    report_.logFailing(reason);
    status_.logFailure = reason;
    publishStatus();
    if (settings_.serviceStatus) settings_.serviceStatus("log failing: " + reason);
}

void Gateway::logRecovered(size_t calls) {
    report_.logRecovered(calls);
    status_.logFailure.reset();
    publishStatus();
    if (settings_.serviceStatus) {
        settings_.serviceStatus("log recovered: " + std::to_string(calls) + " calls written");
    }
}

void Gateway::written() {
    for (const auto& feed : feeds_) feed->topUp();
}

void Gateway::setRinging(bool ringing) {
    if (status_.ringing == ringing) return;
    status_.ringing = ringing;
    publishStatus();
}

void Gateway::publishStatus() {
    for (const auto& feed : feeds_) feed->output().lineStatus(status_);
    for (LineWatcher* watcher : watchers_) watcher->lineChanged(status_);
}

}  // namespace velko::gateway
