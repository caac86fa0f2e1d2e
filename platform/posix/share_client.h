#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

#include "platform/share/share_settings.h"
#include "platform/share/share_transport.h"

namespace velko::posix {

// What the certificate check of a pinned connection found.
struct PinCheck {
    share::Fingerprint expected{};
    std::atomic<bool> mismatched{false};
};

// An HTTP client for one of a link's connections, with the desk's password for every request.
// With https and a pinned fingerprint the handshake accepts exactly the certificate whose SHA-256
// it is (no chain or name check) and fails before any request goes out otherwise; without a pin
// the usual chain and name check applies. The pin check lives as long as the client.
class ShareClient {
  public:
    ShareClient(const share::ShareSettings& settings, std::chrono::seconds readLimit,
                bool keepAlive);
    ShareClient(const ShareClient&) = delete;
    ShareClient& operator=(const ShareClient&) = delete;

    httplib::ClientImpl& http() { return *client_; }

    // Why the request failed, where the status (0 when no answer came) and the library's error
    // tell it. Blocks while it finds why a connection could not be made.
    share::LinkFailure failureOf(httplib::Error error, int status);

  private:
    share::ShareSettings settings_;
    std::unique_ptr<PinCheck> pin_;
    std::unique_ptr<httplib::ClientImpl> client_;
    httplib::SSLClient* tls_ = nullptr;
};

// The time a connection, with its handshake, may take.
inline constexpr std::chrono::seconds kConnectLimit{5};

}  // namespace velko::posix
