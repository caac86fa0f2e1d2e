#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velko::share {

// Where a gateway's share is: http://HOST:PORT (a gateway on this computer only) or
// https://HOST:PORT. The port defaults to 80 and 443; a final "/" is allowed, nothing else after
// the port. An IPv6 address stands in brackets.
struct ShareAddress {
    bool tls = false;
    std::string host;  // without brackets
    uint16_t port = 0;

    // The address as the diagnostics and listings name it: https://10.0.0.5:8443.
    std::string url() const;
};

// Reads a share's URL; nothing, with the reason in error, when it is malformed or an http://
// one names a host beyond this computer.
std::optional<ShareAddress> parseShareUrl(std::string_view text, std::string& error);

// Whether the text is a URL at all (http:// or https://, in any case) rather than a device path.
bool looksLikeUrl(std::string_view text);

// localhost, 127.x.x.x and ::1.
bool isLoopbackHost(std::string_view host);

// The SHA-256 of a certificate's DER form, which a desk pins instead of trusting a chain.
using Fingerprint = std::array<uint8_t, 32>;

// 64 hexadecimal digits, in either case, with or without a colon between pairs (as
// `openssl x509 -fingerprint -sha256` prints them, with or without its "sha256 Fingerprint=").
std::optional<Fingerprint> parseFingerprint(std::string_view text);
// AB:CD:... in capitals.
std::string fingerprintText(const Fingerprint& fingerprint);

// A port mapped to a gateway: its address, the desk's password, and the pinned certificate
// (none: the usual chain and name check).
struct ShareSettings {
    ShareAddress address;
    std::string password;
    std::optional<Fingerprint> fingerprint;
};

}  // namespace velko::share
