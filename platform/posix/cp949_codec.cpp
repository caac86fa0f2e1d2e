#include "platform/posix/cp949_codec.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace velko::posix {

namespace {

constexpr const char* kCodePage = "CP949";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr size_t kNoConversion = static_cast<size_t>(-1);
constexpr char16_t kReplacement = u'\uFFFD';

iconv_t openConverter(const char* to, const char* from) {
    const iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        throw std::system_error(errno, std::generic_category(), "iconv_open");
    }
    return converter;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

Cp949Decoder::Cp949Decoder() : converter_(openConverter(kUtf16, kCodePage)) {}

Cp949Decoder::~Cp949Decoder() { ::iconv_close(converter_); }

// Every byte yields at most one UTF-16 unit, so the text never needs more units than there are
// bytes.
Text Cp949Decoder::decode(std::string_view bytes) {
    incomplete_.append(bytes);
    Text text(incomplete_.size(), u'\0');
    char* in = incomplete_.data();
    size_t inLeft = incomplete_.size();
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = text.size() * sizeof(char16_t);
    while (inLeft > 0 && ::iconv(converter_, &in, &inLeft, &out, &outLeft) == kNoConversion) {
        if (errno != EILSEQ) break;  // an incomplete character at the end waits for more bytes
        std::memcpy(out, &kReplacement, sizeof kReplacement);
        out += sizeof kReplacement;
        outLeft -= sizeof kReplacement;
        ++in;
        --inLeft;
    }
    text.resize((out - reinterpret_cast<char*>(text.data())) / sizeof(char16_t));
    incomplete_.erase(0, in - incomplete_.data());
    return text;
}

Cp949Encoder::Cp949Encoder() : converter_(openConverter(kCodePage, kUtf16)) {}

Cp949Encoder::~Cp949Encoder() { ::iconv_close(converter_); }

// Every unit yields at most two bytes.
std::string Cp949Encoder::encode(TextView text) {
    ::iconv(converter_, nullptr, nullptr, nullptr, nullptr);  // whatever the last text left
    std::string bytes(text.size() * 2, '\0');
    size_t unit = 0;
    char* out = bytes.data();
    size_t outLeft = bytes.size();
    while (unit < text.size()) {
        char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data() + unit));
        size_t inLeft = (text.size() - unit) * sizeof(char16_t);
        const bool converted = ::iconv(converter_, &in, &inLeft, &out, &outLeft) != kNoConversion;
        unit = text.size() - inLeft / sizeof(char16_t);
        if (converted) break;
        const bool pair =
            unit + 1 < text.size() && isHighSurrogate(text[unit]) && isLowSurrogate(text[unit + 1]);
        unit += pair ? 2 : 1;
        *out++ = '?';
        --outLeft;
    }
    bytes.resize(out - bytes.data());
    return bytes;
}

}  // namespace velko::posix
