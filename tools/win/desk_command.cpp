#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/share/share_settings.h"
#include "platform/win32/share/desk_mapping.h"
#include "tools/win/commands.h"

namespace velko::tools::win {

namespace {

struct DeskOptions {
    std::string port;
    std::string url;
    std::string passwordFile;
    std::string password;
    std::string fingerprint;
    bool remove = false;
    bool removeAll = false;
};

// COMn, in any case, with n from 1 to 32767.
std::optional<int16_t> portNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 8) return std::nullopt;
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return std::nullopt;
    }
    int number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
        number = number * 10 + (name[i] - '0');
    }
    if (number < 1 || number > 32767) return std::nullopt;
    return static_cast<int16_t>(number);
}

std::string firstLine(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw CLI::ValidationError("--password-file",
                                   "cannot read " + path + ": " + std::strerror(errno));
    }
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string checkText(const std::optional<share::Fingerprint>& fingerprint) {
    return fingerprint ? "its certificate pinned, SHA-256 " + share::fingerprintText(*fingerprint)
                       : "the usual certificate check";
}

int list() {
    const auto mappings = win32::listDeskMappings();
    if (mappings.empty()) std::cout << "no port of this PC is mapped to a gateway\n";
    for (const auto& mapping : mappings) {
        std::cout << "COM" << mapping.port << " " << mapping.url << ": "
                  << (mapping.problem.empty() ? checkText(mapping.fingerprint) : mapping.problem)
                  << "\n";
    }
    return 0;
}

int map(int16_t port, const DeskOptions& options) {
    std::string error;
    const auto address = share::parseShareUrl(options.url, error);
    if (!address) throw CLI::ValidationError("URL", error);
    std::optional<share::Fingerprint> fingerprint;
    if (!options.fingerprint.empty()) {
        fingerprint = share::parseFingerprint(options.fingerprint);
        if (!fingerprint) {
            throw CLI::ValidationError("--fingerprint",
                                       "expected the certificate's SHA-256: 64 hexadecimal "
                                       "digits, with or without colons");
        }
    }
    if (options.passwordFile.empty() && options.password.empty()) {
        throw CLI::ValidationError("--password-file",
                                   "give the desk's password with --password-file FILE");
    }
    if (!options.passwordFile.empty() && !options.password.empty()) {
        throw CLI::ValidationError("--password", "give the password once: --password-file FILE");
    }
    std::string password =
        options.password.empty() ? firstLine(options.passwordFile) : options.password;
    if (password.empty()) {
        throw CLI::ValidationError("--password-file", "the desk's password is empty");
    }
    win32::writeDeskMapping(port, *address, password, address->tls ? fingerprint : std::nullopt);
    std::cout << "COM" << port << " is mapped to " << address->url() << ", "
              << checkText(address->tls ? fingerprint : std::nullopt) << ": OpenVelko \"COM" << port
              << "\" opens the gateway's terminal\n";
    return 0;
}

int run(const DeskOptions& options) {
    if (options.removeAll) {
        if (!options.port.empty() || !options.url.empty()) {
            throw CLI::ValidationError("--remove-all", "takes no port and no URL");
        }
        win32::removeAllDeskMappings();
        std::cout << "no port of this PC is mapped to a gateway\n";
        return 0;
    }
    if (options.port.empty()) {
        if (options.remove || !options.url.empty()) {
            throw CLI::ValidationError("port", "expected COMN");
        }
        return list();
    }
    const auto port = portNumber(options.port);
    if (!port) throw CLI::ValidationError("port", "expected COMN, N from 1 to 32767");
    if (options.remove) {
        if (!options.url.empty()) throw CLI::ValidationError("--remove", "takes no URL");
        const bool removed = win32::removeDeskMapping(*port);
        std::cout << "COM" << *port << (removed ? " is no longer" : " was not")
                  << " mapped to a gateway\n";
        return 0;
    }
    if (options.url.empty()) throw CLI::ValidationError("URL", "expected https://HOST:PORT");
    return map(*port, options);
}

}  // namespace

void addDeskCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<DeskOptions>();
    CLI::App* command = app.add_subcommand(
        "desk",
        "Map a COM port of this PC to a gateway's share, take a mapping away, or list them: "
        "administrators change the mappings, every program on the PC reads them");
    command->add_option("port", options->port, "The port a host program opens, COMN");
    command->add_option("url", options->url,
                        "The gateway: https://HOST:PORT, or http://HOST:PORT on this PC");
    command
        ->add_option("--password-file", options->passwordFile,
                     "The desk's password: the file's first line")
        ->type_name("FILE");
    command->add_option("--password", options->password,
                        "The desk's password itself, for an installer (other programs can see it "
                        "while velko.exe runs: prefer --password-file)");
    command
        ->add_option("--fingerprint", options->fingerprint,
                     "The SHA-256 fingerprint of the gateway's own certificate, which is trusted "
                     "instead of a certificate authority (empty: none)")
        ->type_name("SHA256");
    command->add_flag("--remove", options->remove, "Take the port's mapping away");
    command->add_flag("--remove-all", options->removeAll, "Take every mapping away");
    command->callback([options, &status] {
        try {
            status = run(*options);
        } catch (const win32::DeskMappingError& error) {
            std::cerr << "velko: " << error.what() << std::endl;
            status = 1;
        }
    });
}

}  // namespace velko::tools::win
