#include "gateway/gateway.h"

#include "gateway/call_time.h"

namespace velko::gateway {

namespace {

std::chrono::system_clock::time_point now() { return std::chrono::system_clock::now(); }

std::time_t seconds() { return std::chrono::system_clock::to_time_t(now()); }

}  // namespace

Gateway::Gateway(CallLog& log, LoopAccess& loop, ReportPrinter& report, GatewaySettings settings)
    : log_(log), loop_(loop), report_(report), settings_(std::move(settings)) {}

Gateway::~Gateway() {
    if (ringingAlarm_ != 0) loop_.cancel(ringingAlarm_);
}

void Gateway::addOutput(Output& output) {
    outputs_.push_back(&output);
    outputNames_.emplace_back(output.name());
    if (output.reportsHangUps()) hangUpOutputNames_.emplace_back(output.name());
}

void Gateway::addWatcher(LineWatcher& watcher) { watchers_.push_back(&watcher); }

void Gateway::start() {
    for (Output* output : outputs_) {
        const std::vector<FinishedCall> hangUps = output->reportsHangUps()
                                                      ? log_.undeliveredHangUps(output->name())
                                                      : std::vector<FinishedCall>{};
        auto hangUp = hangUps.begin();
        for (const Call& call : log_.undelivered(output->name())) {
            for (; hangUp != hangUps.end() && hangUp->call.id < call.id; ++hangUp) {
                output->callFinished(*hangUp);
            }
            output->deliver(call);
        }
        for (; hangUp != hangUps.end(); ++hangUp) output->callFinished(*hangUp);
        output->lineStatus(status_);
    }
}

Call Gateway::logged(int16_t callState, const CID_INFO& report) {
    Call call;
    call.state = callState;
    call.month = report.lMonth;
    call.day = report.lDay;
    call.hour = report.lHour;
    call.minute = report.lMin;
    const auto received = now();
    if (const auto moment = inferCallMoment(call.month, call.day, call.hour, call.minute,
                                            std::chrono::system_clock::to_time_t(received))) {
        call.time = localTimeText(*moment);
    }
    call.number = toUtf8(report.lNumber);
    call.name = toUtf8(report.lName);
    call.group = report.lGroup;
    call.type = toUtf8(report.lTelType);
    call.line = settings_.line;
    call.received = utcTimeText(received);
    log_.addCall(call, outputNames_);
    return call;
}

void Gateway::callReported(int16_t callState, const CID_INFO& report) {
    const Call call = logged(callState, report);
    report_.call(call);
    for (Output* output : outputs_) output->deliver(call);
    for (LineWatcher* watcher : watchers_) watcher->callLogged(call);
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

void Gateway::hookChanged(bool offHook) {
    log_.addHookChange(offHook, settings_.line, utcTimeText(now()));
    if (offHook && ringingCall_) {
        answeredCall_ = FinishedCall{*ringingCall_, ringingSince_, seconds(), 0};
    } else if (!offHook && answeredCall_) {
        answeredCall_->ended = seconds();
        log_.addHangUp(*answeredCall_, hangUpOutputNames_);
        for (Output* output : outputs_) {
            if (output->reportsHangUps()) output->callFinished(*answeredCall_);
        }
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

void Gateway::delivered(std::string_view output, int64_t callId) {
    log_.markDelivered(callId, output, utcTimeText(now()));
    report_.delivered(output, callId);
}

void Gateway::hangUpDelivered(std::string_view output, int64_t callId) {
    log_.markHangUpDelivered(callId, output, utcTimeText(now()));
}

void Gateway::connectionChanged(std::string_view output, bool up, const std::string& reason) {
    report_.connection(output, up, reason);
    for (LineWatcher* watcher : watchers_) watcher->outputChanged(output, up);
}

void Gateway::setRinging(bool ringing) {
    if (status_.ringing == ringing) return;
    status_.ringing = ringing;
    publishStatus();
}

void Gateway::publishStatus() {
    for (Output* output : outputs_) output->lineStatus(status_);
    for (LineWatcher* watcher : watchers_) watcher->lineChanged(status_);
}

}  // namespace velko::gateway
