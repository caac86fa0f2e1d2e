#include "tools/shell/device_option.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>

namespace velko::shell {

namespace {

// The first line of the file, without its line end.
std::string passwordIn(const std::string& path) {
    std::ifstream file(path);
    std::string password;
    if (!file) {
        throw CLI::ValidationError("--share-password-file",
                                   "cannot read " + path + ": " + std::strerror(errno));
    }
    std::getline(file, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (password.empty()) {
        throw CLI::ValidationError("--share-password-file",
                                   "the first line of " + path + " is empty");
    }
    return password;
}

}  // namespace

std::optional<DeviceMapping> parseDevice(std::string_view text) {
    const auto separator = text.find('=');
    if (separator == std::string_view::npos || separator + 1 == text.size()) return std::nullopt;
    const char* end = text.data() + separator;
    int port = 0;
    const auto [stop, error] = std::from_chars(text.data(), end, port);
    if (error != std::errc{} || stop != end) return std::nullopt;
    if (port < 1 || port > std::numeric_limits<int16_t>::max()) return std::nullopt;
    return DeviceMapping{static_cast<int16_t>(port), std::string(text.substr(separator + 1))};
}

namespace {

// urlRefusal is empty where URLs are shares.
void addDevices(CLI::App& command, std::vector<std::string>& devices,
                const std::string& urlRefusal) {
    const bool urls = urlRefusal.empty();
    command
        .add_option("--device", devices,
                    urls ? "Port N (COMN) is the device at PATH, or the gateway's share at URL"
                         : "Port N (COMN) is the device at PATH")
        ->type_name(urls ? "N=PATH|N=URL" : "N=PATH")
        ->check(CLI::Validator(
            [urlRefusal](std::string& text) -> std::string {
                const auto device = parseDevice(text);
                if (!device) return "expected N=PATH with N from 1 to 32767";
                if (!share::looksLikeUrl(device->path)) return "";
                if (!urlRefusal.empty()) return urlRefusal;
                std::string error;
                return share::parseShareUrl(device->path, error) ? "" : error;
            },
            ""));
}

}  // namespace

void addDeviceOption(CLI::App& command, std::vector<std::string>& devices,
                     const std::string& urlRefusal) {
    addDevices(command, devices, urlRefusal);
}

void addDeviceOrShareOption(CLI::App& command, std::vector<std::string>& devices) {
    addDevices(command, devices, {});
}

void checkDistinctPorts(const std::vector<std::string>& devices) {
    std::set<int16_t> ports;
    for (const std::string& text : devices) {
        const auto device = parseDevice(text);
        if (device && !ports.insert(device->port).second) {
            throw CLI::ValidationError(
                "--device", "port " + std::to_string(device->port) + " is given more than once");
        }
    }
}

void addShareOptions(CLI::App& command, ShareOptions& options) {
    command
        .add_option("--share-password-file", options.passwordFile,
                    "The desk's password for the ports mapped to a gateway: the file's first line")
        ->type_name("FILE");
    command
        .add_option("--share-fingerprint", options.fingerprint,
                    "The SHA-256 fingerprint of a gateway's own certificate, which is trusted "
                    "instead of a certificate authority")
        ->type_name("SHA256");
}

std::map<int16_t, share::ShareSettings> sharesOf(const std::vector<std::string>& devices,
                                                 const ShareOptions& options) {
    std::optional<share::Fingerprint> fingerprint;
    if (!options.fingerprint.empty()) {
        fingerprint = share::parseFingerprint(options.fingerprint);
        if (!fingerprint) {
            throw CLI::ValidationError("--share-fingerprint",
                                       "expected the certificate's SHA-256: 64 hexadecimal "
                                       "digits, with or without colons");
        }
    }
    std::map<int16_t, share::ShareSettings> shares;
    std::optional<std::string> password;
    for (const std::string& text : devices) {
        const auto device = parseDevice(text);
        if (!device || !share::looksLikeUrl(device->path)) continue;
        if (options.passwordFile.empty()) {
            throw CLI::ValidationError("--device", text +
                                                       ": a port mapped to a gateway needs "
                                                       "--share-password-file");
        }
        if (!password) password = passwordIn(options.passwordFile);
        std::string error;
        shares[device->port] = {*share::parseShareUrl(device->path, error), *password, fingerprint};
    }
    return shares;
}

}  // namespace velko::shell
