#include "tools/shell/port_notices.h"

#include "link/port_diagnostics.h"
#include "tools/shell/call_text.h"

namespace velko::shell {

void PortNotices::called(const MemberInfo& method, const Value& result,
                         std::span<const Value> args) {
    output_.called(method, result, args);
}

void PortNotices::failed(std::string_view name, const RuntimeError& error,
                         std::span<const Value> args) {
    output_.failed(name, error, args);
}

void PortNotices::badInput(std::string_view line, std::string_view description) {
    output_.badInput(line, description);
}

void PortNotices::event(const MemberInfo& event, std::span<const Value> params) {
    output_.event(event, params);
    if (event.name == "DebugMsg") notice(std::get<Text>(params[0]));
}

void PortNotices::notice(const Text& diagnostic) {
    const auto valueAfter = [&](TextView label) {
        return escapedControls(TextView(diagnostic).substr(label.size()));
    };
    if (diagnostic.starts_with(kOpenFailedLabel)) {
        errors_ << "velko: cannot open " << valueAfter(kOpenFailedLabel) << std::endl;
    } else if (diagnostic.starts_with(kDeviceGoneLabel)) {
        deviceGone_ = true;
        errors_ << "velko: device gone: " << valueAfter(kDeviceGoneLabel) << std::endl;
    } else if (diagnostic.starts_with(kDeviceBackLabel)) {
        deviceBack_ = true;
        errors_ << "velko: device back: " << valueAfter(kDeviceBackLabel) << std::endl;
    } else if (diagnostic.starts_with(kReplacedCharactersLabel)) {
        errors_ << "velko: " << valueAfter(kReplacedCharactersLabel)
                << " characters without a CP949 form went out as \"?\"" << std::endl;
    }
}

}  // namespace velko::shell
