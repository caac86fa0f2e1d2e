#include "platform/share/share_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace velko::share {

namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";
constexpr std::string_view kShape = "expected http://HOST:PORT or https://HOST:PORT";

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(b)) == a;
           });
}

// A host name or IPv4 address: letters, digits, dots and dashes. An IPv6 address (inside the
// brackets): hexadecimal digits, colons and dots.
bool validHost(std::string_view host, bool bracketed) {
    if (host.empty() || host.size() > 253) return false;
    return std::all_of(host.begin(), host.end(), [bracketed](char c) {
        const auto u = static_cast<unsigned char>(c);
        if (bracketed) return std::isxdigit(u) || c == ':' || c == '.';
        return std::isalnum(u) || c == '.' || c == '-';
    });
}

std::optional<uint16_t> portNumber(std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < 1 || number > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(number);
}

// Four decimal numbers from 0 to 255 with dots between, the first one 127.
bool isLoopbackIpv4(std::string_view host) {
    int parts = 0;
    int first = -1;
    while (!host.empty()) {
        const size_t dot = host.find('.');
        const std::string_view part = host.substr(0, dot);
        int value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc{} || end != part.data() + part.size() ||
            value > 255) {
            return false;
        }
        if (first < 0) first = value;
        ++parts;
        if (dot == std::string_view::npos) break;
        host.remove_prefix(dot + 1);
        if (host.empty()) return false;
    }
    return parts == 4 && first == 127;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string ShareAddress::url() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return std::string(tls ? kHttps : kHttp) + (ipv6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

bool looksLikeUrl(std::string_view text) {
    return startsWithIgnoringCase(text, kHttp) || startsWithIgnoringCase(text, kHttps);
}

bool isLoopbackHost(std::string_view host) {
    std::string lower(host);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.ends_with('.')) lower.pop_back();
    return lower == "localhost" || lower == "::1" || isLoopbackIpv4(lower);
}

std::optional<ShareAddress> parseShareUrl(std::string_view text, std::string& error) {
    ShareAddress address;
    if (startsWithIgnoringCase(text, kHttps)) {
        address.tls = true;
        text.remove_prefix(kHttps.size());
    } else if (startsWithIgnoringCase(text, kHttp)) {
        text.remove_prefix(kHttp.size());
    } else {
        error = kShape;
        return std::nullopt;
    }
    if (text.ends_with('/')) text.remove_suffix(1);
    std::string_view host = text;
    std::string_view port;
    bool bracketed = false;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) {
            error = kShape;
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            error = kShape;
            return std::nullopt;
        }
        if (!rest.empty()) port = rest.substr(1);
        bracketed = true;
    } else if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const auto number =
        port.empty() ? std::optional<uint16_t>(address.tls ? 443 : 80) : portNumber(port);
    if (!validHost(host, bracketed) || !number) {
        error = kShape;
        return std::nullopt;
    }
    address.host = std::string(host);
    address.port = *number;
    if (!address.tls && !isLoopbackHost(address.host)) {
        error = "http:// is for a gateway on this computer only: use https://";
        return std::nullopt;
    }
    return address;
}

std::optional<Fingerprint> parseFingerprint(std::string_view text) {
    if (const size_t equals = text.find('='); equals != std::string_view::npos) {
        text.remove_prefix(equals + 1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    std::string digits;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':' && i % 3 == 2) continue;
        digits += text[i];
    }
    if (digits.size() != 64) return std::nullopt;
    Fingerprint fingerprint{};
    for (size_t i = 0; i < fingerprint.size(); ++i) {
        const int high = hexValue(digits[2 * i]);
        const int low = hexValue(digits[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        fingerprint[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return fingerprint;
}

std::string fingerprintText(const Fingerprint& fingerprint) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const uint8_t byte : fingerprint) {
        if (!text.empty()) text += ':';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

}  // namespace velko::share
