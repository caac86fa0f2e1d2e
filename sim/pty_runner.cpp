#include "sim/pty_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>

#include "sim/line_buffer.h"
#include "sim/scenario_play.h"
#include "sim/system_call_check.h"

namespace velko::sim {

// Where the scenario input stands.
struct PtyRunner::Scenario {
    int fd;
    bool open;
    LineBuffer lines;
    Clock::time_point resumeAt;  // a "wait" holds the next line back until then
    bool finishing = false;      // "quit" or the end of the input: stop once the line is quiet
};

PtyRunner::PtyRunner(std::ostream& log, RunnerOptions options)
    : model_(Clock::now(), options.terminal), log_(log, options.json, Clock::now()) {
    check(pipe(stopPipe_) == 0, "pipe");
    for (const int fd : stopPipe_) {
        check(fcntl(fd, F_SETFD, FD_CLOEXEC) == 0 && fcntl(fd, F_SETFL, O_NONBLOCK) == 0, "fcntl");
    }
}

PtyRunner::~PtyRunner() {
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

void PtyRunner::stop() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(stopPipe_[1], &byte, 1);
}

void PtyRunner::serve(int scenarioFd) {
    Scenario scenario{scenarioFd, scenarioFd >= 0, {}, Clock::now()};
    log_.ready(path(), Clock::now());
    for (;;) {
        const Clock::time_point now = Clock::now();
        runScenario(scenario, now);
        sendDue(now);
        if (scenario.finishing && unsent_.empty() && !model_.nextDue()) return;

        const bool readScenario = scenario.open && !scenario.finishing && now >= scenario.resumeAt;
        pollfd fds[] = {
            {stopPipe_[0], POLLIN, 0},
            {pty_.master(), static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), 0},
            {scenario.fd, POLLIN, 0},
        };
        if (poll(fds, readScenario ? 3 : 2, pollTimeout(scenario, now)) < 0) {
            check(errno == EINTR, "poll");
            continue;
        }
        if (fds[0].revents != 0) {
            char byte;
            [[maybe_unused]] const ssize_t drained = read(stopPipe_[0], &byte, 1);
            return;
        }
        check((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) == 0, "pseudo-terminal");
        if ((fds[1].revents & POLLIN) != 0) readFromPc(Clock::now());
        if (readScenario && fds[2].revents != 0) {
            char buffer[4096];
            const ssize_t count = read(scenario.fd, buffer, sizeof buffer);
            if (count > 0) {
                scenario.lines.append({buffer, static_cast<std::size_t>(count)});
            } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
                scenario.lines.append("\n");
                scenario.open = false;
            }
        }
    }
}

void PtyRunner::readFromPc(Clock::time_point now) {
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(pty_.master(), buffer, sizeof buffer);
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (count < 0 && errno == EINTR) continue;
        check(count > 0, "read pseudo-terminal");
        for (const Heard& heard : model_.receive({buffer, static_cast<std::size_t>(count)}, now)) {
            log_.received(heard, now);
            if (heard.kind != Heard::Kind::Command) continue;
            const std::optional<Command> command = parseFrame(heard.bytes);
            if (command && (command->code == 'D' || command->code == 'E')) {
                log_.clockSet(model_.state().clock.at(now), now);
            }
        }
    }
}

void PtyRunner::runScenario(Scenario& scenario, Clock::time_point now) {
    while (!scenario.finishing && now >= scenario.resumeAt) {
        const std::optional<std::string> line = scenario.lines.nextLine();
        if (!line) {
            scenario.finishing = scenario.fd >= 0 && !scenario.open;
            return;
        }
        ScenarioAction action;
        try {
            action = parseScenarioLine(*line);
        } catch (const ScenarioError& error) {
            log_.error(*line, error.what(), now);
            continue;
        }
        if (std::holds_alternative<std::monostate>(action)) continue;
        log_.scenario(*line, now);
        if (const auto* wait = std::get_if<WaitAction>(&action))
            scenario.resumeAt = now + wait->duration;
        scenario.finishing = std::holds_alternative<QuitAction>(action);
        play(action, model_, now);
    }
}

void PtyRunner::sendDue(Clock::time_point now) {
    for (const Outgoing& write : model_.due(now)) {
        log_.sent(write, now);
        unsent_ += write.bytes;
    }
    while (!unsent_.empty()) {
        const ssize_t count = write(pty_.master(), unsent_.data(), unsent_.size());
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        check(count >= 0 || errno == EINTR, "write pseudo-terminal");
        if (count > 0) unsent_.erase(0, static_cast<std::size_t>(count));
    }
}

int PtyRunner::pollTimeout(const Scenario& scenario, Clock::time_point now) const {
    std::optional<Clock::time_point> deadline = model_.nextDue();
    if (now < scenario.resumeAt) {
        deadline = deadline ? std::min(*deadline, scenario.resumeAt) : scenario.resumeAt;
    }
    if (!deadline) return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
    return static_cast<int>(std::clamp<decltype(wait)>(wait, 0, INT_MAX));
}

std::chrono::sys_seconds localWallTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    check(localtime_r(&now, &local) != nullptr, "localtime_r");
    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900},
                              month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    return sys_days{date} + hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

}  // namespace velko::sim
