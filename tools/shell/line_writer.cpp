#include "tools/shell/line_writer.h"

#include <cerrno>
#include <system_error>

namespace velko::shell {

void LineWriter::write(std::string_view line) {
    if (failed()) return;
    errno = 0;
    out_ << line << '\n' << std::flush;
    if (out_) return;
    const int error = errno;
    failure_ = error != 0 ? std::generic_category().message(error) : "the stream refused it";
}

std::string LineWriter::failureText() const {
    return "velko: cannot write to standard output: " + failure_.value_or("");
}

}  // namespace velko::shell
