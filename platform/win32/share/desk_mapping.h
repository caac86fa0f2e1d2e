#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/share/device_or_share.h"
#include "platform/share/share_settings.h"

namespace velko::win32 {

// The PC's mapping of COM ports to gateways' shares, which velko.exe desk writes and the control
// reads when OpenVelko opens a port: HKLM\SOFTWARE\velko_foxpro\Desk\COMn (in the registry's
// 64-bit view, which both modules read), with the values Url (REG_SZ), Password (REG_BINARY: the
// password protected by DPAPI for this machine, which any of its users' programs can read back
// and no other machine can) and Fingerprint (REG_SZ, none for the usual certificate check). The
// Desk key lets administrators and the system change it and users read it, and passes that on to
// its subkeys.
inline constexpr wchar_t kDeskKey[] = L"SOFTWARE\\velko_foxpro\\Desk";

// A failure to change the mapping, with what to tell the administrator.
class DeskMappingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The port's mapping as the control uses it when it opens the port: nothing for a port that is
// its device, the share's settings, or why the mapping cannot be used.
std::optional<share::ShareMapping> readDeskMapping(int16_t port);

// Maps the port to the share, replacing what it was mapped to. Raises DeskMappingError when the
// program may not change the key ("run it as an administrator") or the system refuses.
void writeDeskMapping(int16_t port, const share::ShareAddress& address, const std::string& password,
                      const std::optional<share::Fingerprint>& fingerprint);

// Takes the port's mapping away; false when it had none. Raises DeskMappingError as above.
bool removeDeskMapping(int16_t port);
// Takes every mapping away, and the Desk key with them.
void removeAllDeskMappings();

// A mapping as velko.exe desk lists it: never the password, only whether it can be read back.
struct ListedMapping {
    int16_t port;
    std::string url;
    std::optional<share::Fingerprint> fingerprint;
    std::string problem;  // empty when the control can use it
};
std::vector<ListedMapping> listDeskMappings();

}  // namespace velko::win32
