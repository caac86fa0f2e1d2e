#include "tools/posix/device_option.h"

#include "platform/posix/port_map.h"

namespace velko::tools {

void addDeviceOption(CLI::App& command, std::vector<std::string>& devices) {
    command.add_option("--device", devices, "Port N (COMN) is the device at PATH")
        ->type_name("N=PATH")
        ->check(CLI::Validator(
            [](std::string& text) {
                posix::PortMap scratch;
                return scratch.mapFromText(text) ? std::string()
                                                 : "expected N=PATH with N from 1 to 32767";
            },
            ""));
}

}  // namespace velko::tools
