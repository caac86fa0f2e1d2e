// Preloaded into Wine's processes (LD_PRELOAD) so that Wine can wait for serial events on a
// pseudo-terminal. Wine's WaitCommEvent polls the modem lines with TIOCMGET, which a
// pseudo-terminal refuses, and then gives up the wait at once. For a pseudo-terminal's slave
// side this library answers the TIOCM* requests the terminal refused: TIOCMGET reports CTS, DSR
// and CD present, and setting lines succeeds without effect. Every other request, and every
// other descriptor, goes to the C library unchanged.
//
// Built twice, for the 64-bit and the 32-bit C library; 32-bit Wine calls __ioctl_time64 (the
// 64-bit time variant) as well as ioctl, so both names are answered there. Only C headers and
// compiler built-ins are used, so the library needs nothing but the C library.

#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

using Ioctl = int (*)(int, unsigned long, void*);

// Unix 98 pseudo-terminal slaves have the majors 136 to 143.
bool isPseudoTerminalSlave(int fd) {
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return false;
    const unsigned int deviceMajor = major(status.st_rdev);
    return deviceMajor >= 136 && deviceMajor <= 143;
}

Ioctl next(Ioctl& cached, const char* name) {
    Ioctl function = __atomic_load_n(&cached, __ATOMIC_ACQUIRE);
    if (function == nullptr) {
        function = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, name));
        __atomic_store_n(&cached, function, __ATOMIC_RELEASE);
    }
    return function;
}

int answer(Ioctl real, int fd, unsigned long request, void* argument) {
    const int result = real(fd, request, argument);
    if (result == 0 || !isPseudoTerminalSlave(fd)) return result;
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

Ioctl cachedIoctl = nullptr;

}  // namespace

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
