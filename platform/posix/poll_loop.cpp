#include "platform/posix/poll_loop.h"

#include <poll.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/posix/poll_timeout.h"

namespace velko::posix {

namespace {

constexpr short kHungUpOrFailed = POLLHUP | POLLERR | POLLNVAL;

bool hasInputLeft(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 && count > 0;
}

bool isReadyNow(int fd, short& revents) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0) return false;
    revents = entry.revents;
    return true;
}

}  // namespace

int PollLoop::watch(int fd, Callback onReadable) {
    const int id = nextId_++;
    watches_.emplace(id, Watch{fd, std::make_shared<Callback>(std::move(onReadable))});
    return id;
}

void PollLoop::unwatch(int id) { watches_.erase(id); }

int PollLoop::schedule(Clock::time_point due, Callback action) {
    const int id = nextId_++;
    alarms_.emplace(id, Alarm{due, std::make_shared<Callback>(std::move(action))});
    return id;
}

void PollLoop::cancel(int id) { alarms_.erase(id); }

void PollLoop::runPending() {
    ++passes_;
    runReadyDescriptors();
    runDueAlarms();
}

void PollLoop::runReadyDescriptors() {
    std::vector<pollfd> entries;
    std::vector<int> ids;
    for (const auto& [id, watch] : watches_) {
        entries.push_back({watch.fd, POLLIN, 0});
        ids.push_back(id);
    }
    if (entries.empty() || ::poll(entries.data(), entries.size(), 0) <= 0) return;

    const unsigned pass = passes_;
    for (size_t i = 0; i < entries.size(); ++i) {
        short revents = entries[i].revents;
        if (revents == 0) continue;
        const auto found = watches_.find(ids[i]);
        if (found == watches_.end()) continue;
        const int fd = found->second.fd;
        // A nested pass run by an earlier callback may have taken this input already.
        if (passes_ != pass && !isReadyNow(fd, revents)) continue;
        const auto onReadable = found->second.onReadable;
        (*onReadable)();
        if ((revents & kHungUpOrFailed) != 0 && !hasInputLeft(fd)) unwatch(ids[i]);
    }
}

void PollLoop::runDueAlarms() {
    const auto now = Clock::now();
    std::vector<std::pair<Clock::time_point, int>> due;
    for (const auto& [id, alarm] : alarms_) {
        if (alarm.due <= now) due.emplace_back(alarm.due, id);
    }
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        const auto found = alarms_.find(id);
        if (found == alarms_.end()) continue;
        const auto action = std::move(found->second.action);
        alarms_.erase(found);
        (*action)();
    }
}

MessageLoop::Clock::time_point PollLoop::nextAlarm() const {
    auto next = Clock::time_point::max();
    for (const auto& [id, alarm] : alarms_) next = std::min(next, alarm.due);
    return next;
}

void PollLoop::waitForActivity(Clock::time_point deadline) {
    std::vector<pollfd> entries;
    for (const auto& [id, watch] : watches_) entries.push_back({watch.fd, POLLIN, 0});
    const auto until = std::min(deadline, nextAlarm());
    for (;;) {
        const int ready = ::poll(entries.data(), entries.size(), pollTimeoutUntil(until));
        if (ready > 0 || (ready < 0 && errno != EINTR)) return;
        if (Clock::now() >= until) return;
    }
}

}  // namespace velko::posix
