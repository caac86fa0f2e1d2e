#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/share/share_settings.h"

namespace velko::shell {

// Port N (COMN) is the device at path, or the gateway's share at a URL.
struct DeviceMapping {
    int16_t port;
    std::string path;
};

// Reads "N=PATH" with N from 1 to 32767 and a path that is not empty; nothing when malformed.
std::optional<DeviceMapping> parseDevice(std::string_view text);

// The repeatable option --device N=PATH, each text checked by parseDevice. A URL (http:// or
// https://) maps the port to a gateway's share and is checked as a share's (http:// for a gateway
// on this computer only), or, where a command has no shares, refused with urlRefusal. On Linux
// the host maps the ports; under Wine the wrapper that runs velko.exe (tests/win/wine-velko)
// makes each device a COM port and maps each URL with velko.exe desk, and velko.exe keeps the
// devices' texts only for the monitor's default port name.
void addDeviceOption(CLI::App& command, std::vector<std::string>& devices,
                     const std::string& urlRefusal);
// The same, with URLs taken as shares.
void addDeviceOrShareOption(CLI::App& command, std::vector<std::string>& devices);

// Throws CLI::ValidationError when two of the texts map the same port.
void checkDistinctPorts(const std::vector<std::string>& devices);

// What the options --share-password-file FILE and --share-fingerprint SHA256 give every port
// mapped to a share.
struct ShareOptions {
    std::string passwordFile;
    std::string fingerprint;
};

// Adds --share-password-file and --share-fingerprint.
void addShareOptions(CLI::App& command, ShareOptions& options);

// The ports the texts map to a share, with the password (the file's first line) and the pinned
// fingerprint. Throws CLI::ValidationError naming the option when a share has no password file,
// the file cannot be read or its first line is empty, or the fingerprint is malformed.
std::map<int16_t, share::ShareSettings> sharesOf(const std::vector<std::string>& devices,
                                                 const ShareOptions& options);

}  // namespace velko::shell
