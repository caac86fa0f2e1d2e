#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/share/share_settings.h"
#include "tools/shell/line_writer.h"
#include "tools/shell/output.h"

namespace velko::shell {

// What velko shell and velko monitor ask of the host they start.
struct HostOptions {
    bool json = false;
    bool showDiagnostics = true;
    std::vector<std::string> devices;  // "N=PATH" or "N=URL", already checked
    // The ports mapped to a gateway's share (where the platform offers shares).
    std::map<int16_t, share::ShareSettings> shares;
};

// The output the options ask for, written through out: JSON lines or readable text.
std::unique_ptr<ShellOutput> makeOutput(const HostOptions& options, LineWriter& out);

}  // namespace velko::shell
