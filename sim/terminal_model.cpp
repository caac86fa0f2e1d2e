#include "sim/terminal_model.h"

#include "sim/message_text.h"
#include "sim/responses.h"
#include "sim/settings.h"

namespace velko::sim {

TerminalModel::TerminalModel(Clock::time_point now, TerminalOptions options)
    : state_(options.start, now, options.callMemory), ackDelay_(options.ackDelay) {}

std::vector<Heard> TerminalModel::receive(std::string_view bytes, Clock::time_point now) {
    std::vector<Heard> heard = reader_.feed(bytes);
    for (const Heard& item : heard) {
        if (item.kind == Heard::Kind::Opening && ackDelay_) {
            line_.sendPlain("ACK\r\n", "ACK", now + *ackDelay_);
        } else if (item.kind == Heard::Kind::Command) {
            execute(item.bytes, now);
        }
    }
    return heard;
}

void TerminalModel::execute(std::string_view frame, Clock::time_point now) {
    const std::optional<Command> command = parseFrame(frame);
    if (!command || applySetting(*command, state_, now)) return;
    if (auto body = responseBody(command->code, state_, now)) {
        line_.sendMessage(responseMessage(*body), "response " + std::string(1, command->code), now);
    }
}

std::vector<Outgoing> TerminalModel::due(Clock::time_point now) { return line_.due(now); }

std::optional<Clock::time_point> TerminalModel::nextDue() const { return line_.nextDue(); }

void TerminalModel::hookOff(Clock::time_point now) {
    state_.offHook = true;
    line_.sendMessage(reportMessage({"B"}), "report B (hook off)", now);
}

void TerminalModel::hookOn(Clock::time_point now) {
    state_.offHook = false;
    line_.sendMessage(reportMessage({"C"}), "report C (hook on)", now);
}

void TerminalModel::call(const IncomingCall& call, Clock::time_point now) {
    const CallRecord record{state_.clock.at(now), call.number, call.name, call.group, call.type};
    std::vector<std::string> body{std::string(1, call.kind)};
    const std::vector<std::string> fields = recordLines(record);
    body.insert(body.end(), fields.begin(), fields.end());
    line_.sendMessage(reportMessage(body), "report " + body.front() + " " + call.number, now);

    remember(record);
}

void TerminalModel::store(const IncomingCall& call, std::optional<std::array<int, 4>> time,
                          Clock::time_point now) {
    const std::chrono::sys_seconds clock = state_.clock.at(now);
    remember({time ? latestAtOrBefore(*time, clock) : clock, call.number, call.name, call.group,
              call.type});
}

void TerminalModel::shiftClock(std::chrono::minutes offset) { state_.clock.shift(offset); }

void TerminalModel::remember(CallRecord record) {
    state_.calls.push_back(std::move(record));
    while (state_.calls.size() > state_.callMemory) state_.calls.pop_front();
    ++state_.unreadCalls;
}

void TerminalModel::reject(std::string number, std::string name, Clock::time_point now) {
    state_.rejected.push_back({state_.clock.at(now), std::move(number), std::move(name), "0", "B"});
}

void TerminalModel::setAck(std::optional<Clock::duration> delay) { ackDelay_ = delay; }

void TerminalModel::setChunking(std::size_t size, Clock::duration gap) {
    line_.setChunking(size, gap);
}

void TerminalModel::pairNext() { line_.pairNext(); }

void TerminalModel::noise(Clock::time_point now) { line_.sendPlain("xx\r\n", "noise", now); }

void TerminalModel::raw(std::string bytes, Clock::time_point now) {
    line_.sendPlain(std::move(bytes), "raw", now);
}

}  // namespace velko::sim
