// Preloaded into Wine's processes (LD_PRELOAD) so that Wine holds a pseudo-terminal's slave side
// exclusively, as Windows holds a COM port: Windows refuses a second open of a COM port; Wine
// does not. A slave opened for reading and writing takes the device's lock (flock), so that a
// second opener, or a device another program holds locked, is refused with EAGAIN, which Wine
// reports as a sharing violation. The lock goes with the last descriptor of that open.
//
// Every other path and descriptor goes to the C library unchanged. Built twice, for the 64-bit
// and the 32-bit C library. Only C headers and compiler built-ins are used, so the library needs
// nothing but the C library.

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

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
