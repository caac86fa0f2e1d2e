#include "link/line_settings.h"

#include <charconv>
#include <vector>

namespace velko {

namespace {

std::vector<std::string_view> fieldsOf(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

std::optional<uint32_t> numberOf(std::string_view field) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Parity> parityOf(std::string_view field) {
    if (field.size() != 1) return std::nullopt;
    char letter = field[0];
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    if (std::string_view("neoms").find(letter) == std::string_view::npos) return std::nullopt;
    return static_cast<Parity>(letter);
}

std::optional<StopBits> stopBitsOf(std::string_view field) {
    if (field == "1") return StopBits::one;
    if (field == "1.5") return StopBits::oneAndHalf;
    if (field == "2") return StopBits::two;
    return std::nullopt;
}

}  // namespace

// A UART sends one and a half stop bits only with five data bits, and two only with more.
std::optional<LineSettings> parseLineSettings(std::string_view text,
                                              bool (*speedSupported)(uint32_t baud)) {
    const auto fields = fieldsOf(text);
    if (fields.size() != 4) return std::nullopt;
    const auto baud = numberOf(fields[0]);
    const auto parity = parityOf(fields[1]);
    const auto dataBits = numberOf(fields[2]);
    const auto stopBits = stopBitsOf(fields[3]);
    if (!baud || !speedSupported(*baud) || !parity || !dataBits || !stopBits) return std::nullopt;
    if (*dataBits < 5 || *dataBits > 8) return std::nullopt;
    const bool fiveDataBits = *dataBits == 5;
    if (*stopBits == StopBits::oneAndHalf && !fiveDataBits) return std::nullopt;
    if (*stopBits == StopBits::two && fiveDataBits) return std::nullopt;
    return LineSettings{*baud, *parity, static_cast<uint8_t>(*dataBits), *stopBits};
}

std::optional<Handshaking> handshakingOf(int32_t value) {
    if (value < 0 || value > 3) return std::nullopt;
    return static_cast<Handshaking>(value);
}

}  // namespace velko
