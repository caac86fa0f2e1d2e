// Preloaded into Wine's processes (LD_PRELOAD) so that Wine treats a pseudo-terminal's slave side
// like a Windows COM port in the two ways our tests need and Wine lacks:
//
// - Waiting for serial events. Wine's WaitCommEvent polls the modem lines with TIOCMGET, which a
//   pseudo-terminal refuses, and then gives up the wait at once. For a slave the library answers
//   the TIOCM* requests the terminal refused: TIOCMGET reports CTS, DSR and CD present, and
//   setting lines succeeds without effect. A slave whose far end has closed fails every request
//   with EIO, as an unplugged adapter does; that failure reaches Wine, whose wait then fails as
//   Windows fails it for a device that has gone.
// - Exclusive use. Windows refuses a second open of a COM port; Wine does not. A slave opened
//   for reading and writing takes the device's lock (flock), so that a second opener, or a
//   device another program holds locked, is refused with EAGAIN, which Wine reports as a
//   sharing violation. The lock goes with the last descriptor of that open.
//
// Every other request, path and descriptor goes to the C library unchanged. Built twice, for the
// 64-bit and the 32-bit C library; 32-bit Wine calls __ioctl_time64 (the 64-bit time variant)
// as well as ioctl, so both names are answered there. Only C headers and compiler built-ins are
// used, so the library needs nothing but the C library.

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using Ioctl = int (*)(int, unsigned long, void*);
using Open = int (*)(const char*, int, ...);
using OpenAt = int (*)(int, const char*, int, ...);

// Unix 98 pseudo-terminal slaves have the majors 136 to 143.
bool isPseudoTerminalSlave(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return false;
    const unsigned int deviceMajor = major(status.st_rdev);
    return deviceMajor >= 136 && deviceMajor <= 143;
}

template <typename Function>
Function next(Function& cached, const char* name) {
    Function function = __atomic_load_n(&cached, __ATOMIC_ACQUIRE);
    if (function == nullptr) {
        function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
        __atomic_store_n(&cached, function, __ATOMIC_RELEASE);
    }
    return function;
}

int answer(Ioctl real, int fd, unsigned long request, void* argument) {
    const int result = real(fd, request, argument);
    if (result == 0 || errno == EIO || !isPseudoTerminalSlave(fd)) return result;
    switch (request) {
        case TIOCMGET:
            *static_cast<int*>(argument) = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
            return 0;
        case TIOCMSET:
        case TIOCMBIS:
        case TIOCMBIC:
            return 0;
        default:
            return result;
    }
}

void* argumentOf(va_list arguments) { return va_arg(arguments, void*); }

// The mode argument exists only when the flags create a file.
mode_t modeOf(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
}

int holdExclusively(int fd, int flags) {
    if (fd < 0 || (flags & O_ACCMODE) != O_RDWR || !isPseudoTerminalSlave(fd)) return fd;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    close(fd);
    errno = EAGAIN;
    return -1;
}

Ioctl cachedIoctl = nullptr;
Open cachedOpen = nullptr;
Open cachedOpen64 = nullptr;
OpenAt cachedOpenAt = nullptr;
OpenAt cachedOpenAt64 = nullptr;

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return holdExclusively(next(cachedOpen, "open")(path, flags, mode), flags);
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return holdExclusively(next(cachedOpen64, "open64")(path, flags, mode), flags);
}

extern "C" int openat(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return holdExclusively(next(cachedOpenAt, "openat")(directory, path, flags, mode), flags);
}

extern "C" int openat64(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeOf(flags, arguments);
    va_end(arguments);
    return holdExclusively(next(cachedOpenAt64, "openat64")(directory, path, flags, mode), flags);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = argumentOf(arguments);
    va_end(arguments);
    return answer(next(cachedIoctl, "ioctl"), fd, request, argument);
}

#ifndef __LP64__
namespace {

Ioctl cachedIoctlTime64 = nullptr;

}  // namespace

extern "C" int __ioctl_time64(int fd, unsigned long request, ...) noexcept {
    va_list arguments;
    va_start(arguments, request);
    void* argument = argumentOf(arguments);
    va_end(arguments);
    return answer(next(cachedIoctlTime64, "__ioctl_time64"), fd, request, argument);
}
#endif
