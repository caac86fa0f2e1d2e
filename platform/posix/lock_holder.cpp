#include "platform/posix/lock_holder.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>
#include <string>

namespace velko::posix {

// A line of /proc/locks reads "1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF": the kind, the
// holder's process id and the file as major:minor:inode, the device numbers in hexadecimal.
// Waiting requests, marked "->", hold nothing.
std::optional<pid_t> lockHolder(int fd) {
    struct stat file {};
    if (::fstat(fd, &file) != 0) return std::nullopt;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access;
        fields >> number >> kind;
        if (kind != "FLOCK") continue;
        unsigned deviceMajor = 0, deviceMinor = 0;
        unsigned long long inode = 0;
        char colon1 = 0, colon2 = 0;
        pid_t holder = 0;
        fields >> mode >> access >> holder >> std::hex >> deviceMajor >> colon1 >> deviceMinor >>
            colon2 >> std::dec >> inode;
        if (fields && colon1 == ':' && colon2 == ':' && deviceMajor == major(file.st_dev) &&
            deviceMinor == minor(file.st_dev) && inode == file.st_ino) {
            return holder;
        }
    }
    return std::nullopt;
}

}  // namespace velko::posix
