#include "platform/win32/runtime/cp949_codec.h"

#include <windows.h>

namespace velko::win32 {

namespace {

constexpr UINT kCodePage = 949;
constexpr char16_t kReplacement = u'\uFFFD';

// The character of one or two bytes, or U+FFFD when the code page has none for them.
char16_t characterOf(const char* bytes, int count) {
    wchar_t character = 0;
    const int converted =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, count, &character, 1);
    return converted == 1 ? static_cast<char16_t>(character) : kReplacement;
}

}  // namespace

Text Cp949Decoder::decode(std::string_view bytes) {
    const std::string data = leadByte_ + std::string(bytes);
    leadByte_.clear();
    Text text;
    text.reserve(data.size());
    size_t at = 0;
    while (at < data.size()) {
        const auto byte = static_cast<unsigned char>(data[at]);
        if (byte < 0x80) {
            text += static_cast<char16_t>(byte);
            ++at;
        } else if (!IsDBCSLeadByteEx(kCodePage, byte)) {
            text += characterOf(&data[at], 1);
            ++at;
        } else if (at + 1 == data.size()) {
            leadByte_ = data.substr(at);
            break;
        } else {
            const char16_t pair = characterOf(&data[at], 2);
            text += pair;
            at += pair == kReplacement ? 1 : 2;
        }
    }
    return text;
}

std::string encodeCp949(TextView text) {
    if (text.empty()) return {};
    const auto* units = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, length, nullptr, 0,
                                         "?", nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, units, length, bytes.data(), size, "?",
                        nullptr);
    return bytes;
}

}  // namespace velko::win32
