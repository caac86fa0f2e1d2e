#pragma once

#include <ostream>
#include <utility>

#include "tools/shell/output.h"

namespace velko::shell {

// The output of a host: passes every report on to the chosen output (JSON lines or readable
// text), and tells a person on the error stream what the serial component said about its device
// (link/port_diagnostics.h), whatever the output shows:
//   velko: cannot open /dev/ttyUSB0: Permission denied
//   velko: device gone: /dev/ttyUSB0: Input/output error
//   velko: device back: https://10.0.0.5:8443: 3 calls came meanwhile
//   velko: 2 characters without a CP949 form went out as "?"
// A device gone, and one back, are also kept, for the monitor, until they are taken.
class PortNotices final : public ShellOutput {
  public:
    PortNotices(ShellOutput& output, std::ostream& errors) : output_(output), errors_(errors) {}

    void called(const MemberInfo& method, const Value& result,
                std::span<const Value> args) override;
    void failed(std::string_view name, const RuntimeError& error,
                std::span<const Value> args) override;
    void event(const MemberInfo& event, std::span<const Value> params) override;
    void badInput(std::string_view line, std::string_view description) override;
    void callReported(const CallReport& report) override { output_.callReported(report); }

    bool deviceGone() const { return deviceGone_; }
    // Whether the device went away since the last call; forgets it.
    bool takeDeviceGone() { return std::exchange(deviceGone_, false); }
    bool deviceBack() const { return deviceBack_; }
    // Whether the device came back by itself since the last call; forgets it.
    bool takeDeviceBack() { return std::exchange(deviceBack_, false); }

  private:
    void notice(const Text& diagnostic);

    ShellOutput& output_;
    std::ostream& errors_;
    bool deviceGone_ = false;
    bool deviceBack_ = false;
};

}  // namespace velko::shell
