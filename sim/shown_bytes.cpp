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

std::string shownBytes(std::string_view bytes) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            shown += "\\r";
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte == '\\') {
            shown += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            shown += static_cast<char>(byte);
        } else if (const auto character = isCp949Lead(byte) && i + 1 < bytes.size()
                                              ? fromCp949(bytes.substr(i, 2))
                                              : std::nullopt) {
            shown += *character;
            ++i;
        } else {
            shown += hexEscape(byte);
        }
    }
    return shown;
}

}  // namespace velko::sim
