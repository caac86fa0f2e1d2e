#include "tools/posix/stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <system_error>

namespace velko::tools {

namespace {

sigset_t stopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

StopSignals::StopSignals(posix::PollLoop& loop) : loop_(loop) {
    const sigset_t set = stopSet();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
    watch_ = loop_.watch(fd_, [this] { readSignal(); });
}

StopSignals::~StopSignals() {
    loop_.unwatch(watch_);
    ::close(fd_);
    const sigset_t set = stopSet();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void StopSignals::readSignal() {
    signalfd_siginfo info;
    bool arrived = false;
    while (::read(fd_, &info, sizeof info) == sizeof info) {
        arrived = true;
        if (signal_ == 0) signal_ = static_cast<int>(info.ssi_signo);
    }
    if (arrived) notifyRequest();
}

}  // namespace velko::tools
