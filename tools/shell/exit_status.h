#pragma once

namespace velko::shell {

// The exit statuses of velko shell and velko monitor besides 0, as the README lists them. A
// stop request ends the shell with 128 and the signal's number.
namespace exit_status {
inline constexpr int kPortNotOpened = 1;
inline constexpr int kUsage = 2;
inline constexpr int kDeviceGone = 3;
inline constexpr int kOutputFailed = 4;
}  // namespace exit_status

}  // namespace velko::shell
