#include "tools/posix/descriptor_lines.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace velko::tools {

DescriptorLines::DescriptorLines(posix::PollLoop& loop, int fd) : loop_(loop), fd_(fd) {
    watch_ = loop_.watch(fd_, [this] { readAvailable(); });
}

DescriptorLines::~DescriptorLines() {
    if (watch_ != 0) loop_.unwatch(watch_);
}

// Reads everything available now, so that the end of the input is seen even when it arrives
// together with the last bytes.
void DescriptorLines::readAvailable() {
    std::array<char, 65536> buffer;
    pollfd entry{fd_, POLLIN, 0};
    while (::poll(&entry, 1, 0) > 0) {
        const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
        if (count > 0) {
            lines_.append(std::string_view(buffer.data(), static_cast<size_t>(count)));
            continue;
        }
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
        lines_.finish();
        loop_.unwatch(watch_);
        watch_ = 0;
        return;
    }
}

}  // namespace velko::tools
