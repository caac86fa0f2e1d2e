#include "tools/posix/board_options.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "gateway/system/loopback_host.h"
#include "tools/posix/option_values.h"

namespace velko::tools {

namespace {

bool isIpAddress(const std::string& text) {
    in6_addr address{};  // room for either family
    return inet_pton(AF_INET, text.c_str(), &address) == 1 ||
           inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

std::pair<std::string, uint16_t> addressAndPort(const std::string& text) {
    if (const auto port = portNumber(text)) return {"127.0.0.1", *port};
    const auto parsed = hostAndPort(text, 0);
    if (!parsed || parsed->second == 0) {
        throw CLI::ValidationError("--http", "expected PORT or ADDR:PORT, not " + text);
    }
    if (parsed->first == "localhost") return {"127.0.0.1", parsed->second};
    if (!isIpAddress(parsed->first)) {
        throw CLI::ValidationError("--http", parsed->first + " is no IP address");
    }
    return *parsed;
}

}  // namespace

void addBoardOptions(CLI::App& command, BoardOptions& options) {
    command
        .add_option("--http", options.http,
                    "Serve the board on this port (ADDR defaults to 127.0.0.1, this machine "
                    "only)")
        ->type_name("[ADDR:]PORT");
    command
        .add_option("--http-password-file", options.passwordFile,
                    "Every request to the board needs this password (user velko): the first line "
                    "of FILE")
        ->check(CLI::ExistingFile);
    command.add_option("--http-cert", options.certFile, "Serve HTTPS with this certificate (PEM)")
        ->check(CLI::ExistingFile);
    command.add_option("--http-key", options.keyFile, "... and this private key (PEM)")
        ->check(CLI::ExistingFile);
    command.add_flag("--http-insecure", options.insecure,
                     "Serve plain HTTP beyond this machine, on purpose");
}

std::optional<gateway::BoardSettings> boardSettings(const BoardOptions& options) {
    if (options.http.empty()) {
        if (!options.passwordFile.empty() || !options.certFile.empty() ||
            !options.keyFile.empty() || options.insecure) {
            throw CLI::ValidationError("--http", "the board's options need --http [ADDR:]PORT");
        }
        return std::nullopt;
    }
    gateway::BoardSettings settings;
    std::tie(settings.address, settings.port) = addressAndPort(options.http);
    if (options.certFile.empty() != options.keyFile.empty()) {
        throw CLI::ValidationError("--http-cert", "HTTPS needs both --http-cert and --http-key");
    }
    settings.certFile = options.certFile;
    settings.keyFile = options.keyFile;
    if (!options.passwordFile.empty()) {
        settings.password = firstLine("--http-password-file", options.passwordFile);
        if (settings.password->empty()) {
            throw CLI::ValidationError("--http-password-file",
                                       "the first line of " + options.passwordFile + " is empty");
        }
    }
    if (!gateway::isLoopbackHost(settings.address)) {
        if (!settings.password) {
            throw CLI::ValidationError(
                "--http", settings.address +
                              " lets other machines in: the board then needs "
                              "--http-password-file, so that nobody reads the calls without it");
        }
        if (settings.certFile.empty() && !options.insecure) {
            throw CLI::ValidationError(
                "--http", settings.address +
                              " lets other machines in: the board then needs --http-cert and "
                              "--http-key for HTTPS, or --http-insecure to send the password "
                              "and the calls in plain text on purpose");
        }
    }
    return settings;
}

}  // namespace velko::tools
