#include "platform/posix/serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "platform/posix/lock_holder.h"

namespace velko::posix {

namespace {

// The system's text for an error number, such as "No such file or directory".
Text systemReason(int error) { return fromUtf8(std::generic_category().message(error)); }

[[noreturn]] void refuseInvalidPortNumber(Text reason) {
    refuseDevice(error_number::kInvalidPortNumber, u"Invalid Port Number", std::move(reason));
}

[[noreturn]] void refusePortAlreadyOpen(Text reason) {
    refuseDevice(error_number::kPortAlreadyOpen, u"Port already open", std::move(reason));
}

[[noreturn]] void refuseCommState(Text reason) {
    refuseDevice(error_number::kCouldNotSetCommState, u"Could not set comm state",
                 std::move(reason));
}

int openDevice(const std::string& path) {
    if (path.empty()) refuseInvalidPortNumber(u"no device for the port");
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) return fd;
    const int error = errno;
    if (error == EBUSY) refusePortAlreadyOpen(u"held by another program");
    refuseInvalidPortNumber(systemReason(error));
}

// A lock on the device file keeps out every other opener that locks, the superuser included;
// the terminal's exclusive mode keeps out other users' programs that do not lock.
void holdExclusively(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        const auto holder = lockHolder(fd);
        ::close(fd);
        refusePortAlreadyOpen(holder ? u"held by process " + decimalText(*holder)
                                     : Text(u"held by another program"));
    }
    ::ioctl(fd, TIOCEXCL);
}

// Why a descriptor that has nothing to read will give nothing more: hung up, failed or closed.
std::optional<Text> hangUpOf(int fd) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0) return std::nullopt;
    if ((entry.revents & POLLNVAL) != 0) return u"the descriptor is no longer valid";
    if ((entry.revents & POLLERR) != 0) return u"the device reported an error";
    if ((entry.revents & POLLHUP) != 0) return u"the device hung up";
    return std::nullopt;
}

[[noreturn]] void raiseGone() { raise(error_number::kPortNotOpen, u"The port's device is gone"); }

// Some devices accept any settings and keep only the speeds they can run.
bool keepsSpeed(int fd, const termios& wanted) {
    termios applied{};
    return ::tcgetattr(fd, &applied) == 0 && ::cfgetospeed(&applied) == ::cfgetospeed(&wanted);
}

// Long enough for a full 4 KiB output queue to drain at the line's speed, with time to spare.
std::chrono::milliseconds stallLimitFor(int baud) {
    constexpr long long kQueueBits = 4096LL * 12;
    return std::chrono::milliseconds(2000 + kQueueBits * 1000 / baud);
}

}  // namespace

SerialDevice::SerialDevice(const std::string& path) : fd_(openDevice(path)) {
    holdExclusively(fd_);
    // What the device received before it was opened belongs to no one now: an answer left on
    // the line by an earlier program must not pass for the answer to a new command.
    ::tcflush(fd_, TCIFLUSH);
}

SerialDevice::~SerialDevice() {
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

void SerialDevice::configure(const LineSettings& settings, Handshaking handshaking) {
    termios attributes{};
    if (::tcgetattr(fd_, &attributes) != 0) {
        refuseCommState(errno == ENOTTY ? Text(u"not a terminal") : systemReason(errno));
    }
    if (!applyLineSettings(attributes, settings, handshaking)) {
        refuseCommState(u"a speed the line cannot run");
    }
    if (::tcsetattr(fd_, TCSANOW, &attributes) != 0) refuseCommState(systemReason(errno));
    if (!keepsSpeed(fd_, attributes)) refuseCommState(u"a speed the device does not keep");
    stallLimit_ = stallLimitFor(settings.baud);
}

void SerialDevice::readAvailable(std::string& bytes, size_t limit) {
    char chunk[4096];
    for (size_t taken = 0; !gone_ && taken < limit;) {
        const ssize_t count = ::read(fd_, chunk, std::min(sizeof chunk, limit - taken));
        if (count > 0) {
            bytes.append(chunk, count);
            taken += count;
        } else if (count < 0 && errno == EAGAIN) {
            if (auto reason = hangUpOf(fd_)) markGone(std::move(*reason));
            return;
        } else if (count == 0) {
            markGone(u"the device hung up");
        } else if (errno != EINTR) {
            markGone(systemReason(errno));
        }
    }
}

void SerialDevice::markGone(Text reason) {
    gone_ = true;
    goneReason_ = std::move(reason);
}

void SerialDevice::writeAll(std::string_view bytes) {
    while (!gone_ && !bytes.empty()) {
        const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
        if (count > 0) {
            bytes.remove_prefix(count);
        } else if (count == 0 || errno == EAGAIN) {
            if (!waitUntilWritable()) {
                raise(error_number::kPortNotOpen, u"The port's device accepts no data");
            }
        } else if (errno != EINTR) {
            markGone(systemReason(errno));
        }
    }
    if (gone_) raiseGone();
}

bool SerialDevice::waitUntilWritable() const {
    pollfd entry{fd_, POLLOUT, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, static_cast<int>(stallLimit_.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace velko::posix
