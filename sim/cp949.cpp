#include "sim/cp949.h"

#include <iconv.h>

#include <cerrno>
#include <system_error>

namespace velko::sim {

namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view text) {
    iconv_t codec = iconv_open(to, from);
    if (codec == reinterpret_cast<iconv_t>(-1))
        throw std::system_error(errno, std::generic_category(), "iconv_open");
    std::string in{text};
    std::string out(in.size() * 4 + 4, '\0');
    char* inPos = in.data();
    std::size_t inLeft = in.size();
    char* outPos = out.data();
    std::size_t outLeft = out.size();
    const bool whole =
        iconv(codec, &inPos, &inLeft, &outPos, &outLeft) != static_cast<std::size_t>(-1) &&
        iconv(codec, nullptr, nullptr, &outPos, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(codec);
    if (!whole) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::optional<std::string> toCp949(std::string_view utf8) {
    return convert("CP949", "UTF-8", utf8);
}

std::optional<std::string> fromCp949(std::string_view cp949) {
    return convert("UTF-8", "CP949", cp949);
}

}  // namespace velko::sim
