#include "sim/pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "sim/system_call_check.h"

namespace velko::sim {

namespace {

void makeRaw(int fd) {
    termios settings{};
    check(tcgetattr(fd, &settings) == 0, "tcgetattr");
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    check(cfsetispeed(&settings, B9600) == 0 && cfsetospeed(&settings, B9600) == 0, "cfsetspeed");
    check(tcsetattr(fd, TCSANOW, &settings) == 0, "tcsetattr");
}

}  // namespace

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    check(master_ >= 0, "posix_openpt");
    try {
        check(fcntl(master_, F_SETFD, FD_CLOEXEC) == 0, "fcntl");
        check(grantpt(master_) == 0, "grantpt");
        check(unlockpt(master_) == 0, "unlockpt");
        const char* name = ptsname(master_);
        check(name != nullptr, "ptsname");
        slavePath_ = name;
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        check(slave_ >= 0, "open slave");
        makeRaw(master_);
        const int flags = fcntl(master_, F_GETFL);
        check(flags >= 0 && fcntl(master_, F_SETFL, flags | O_NONBLOCK) == 0, "fcntl");
    } catch (...) {
        if (slave_ >= 0) close(slave_);
        close(master_);
        throw;
    }
}

PtyPair::~PtyPair() {
    close(slave_);
    close(master_);
}

}  // namespace velko::sim
