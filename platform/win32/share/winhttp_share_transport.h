#pragma once

#include <memory>

#include "platform/share/share_transport.h"
#include "platform/win32/runtime/message_window.h"

namespace velko::win32 {

// The share's connections on Windows: WinHTTP, the stream and the writes each on a thread of its
// own (Win32 threads, as the serial component's reader), handing what they receive to the
// control's thread through its message window (WindowInbox). Destroying a link closes the
// requests its threads wait on, which ends their waits on Windows; under Wine a wait ends only at
// its time limit, and a thread still waiting after a moment is left to end alone: it keeps
// everything it uses, and the module, loaded until it has ended.
class WinHttpShareTransport final : public share::ShareTransport {
  public:
    explicit WinHttpShareTransport(MessageWindow& window) : window_(window) {}

    std::unique_ptr<share::ShareLink> connect(const share::ShareSettings& settings,
                                              share::ShareLink::Handlers handlers) override;

  private:
    MessageWindow& window_;
};

}  // namespace velko::win32
