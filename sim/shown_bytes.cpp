#include "sim/shown_bytes.h"

#include "sim/cp949.h"

namespace velko::sim {

namespace {

bool isCp949Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string hexEscape(unsigned char byte) {
    const char* digits = "0123456789ABCDEF";
    return {'\\', 'x', digits[byte >> 4], digits[byte & 0xF]};
}

}  // namespace

std::size_t characterLength(std::string_view bytes, std::size_t at) {
    const bool pair = isCp949Lead(static_cast<unsigned char>(bytes[at])) && at + 1 < bytes.size() &&
                      fromCp949(bytes.substr(at, 2));
    return pair ? 2 : 1;
}

std::string shownBytes(std::string_view bytes, bool startsInsideCharacter) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (i == 0 && startsInsideCharacter) {
            shown += hexEscape(byte);
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte == '\\') {
            shown += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            shown += static_cast<char>(byte);
        } else if (characterLength(bytes, i) == 2) {
            shown += *fromCp949(bytes.substr(i, 2));
            ++i;
        } else {
            shown += hexEscape(byte);
        }
    }
    return shown;
}

}  // namespace velko::sim
