#include "platform/win32/share/desk_shares.h"

#include "platform/win32/share/desk_mapping.h"
#include "platform/win32/share/winhttp_share_transport.h"

namespace velko::win32 {

ShareSupport deskShares() {
    return {[](MessageWindow& window) { return std::make_unique<WinHttpShareTransport>(window); },
            readDeskMapping};
}

}  // namespace velko::win32
