#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/share/share_settings.h"

namespace velko::share {

// Why a connection to a gateway ended, or never began.
struct LinkFailure {
    enum class Kind {
        refused,      // the gateway answered with an HTTP status other than 200 (status)
        fingerprint,  // the certificate is not the pinned one
        untrusted,    // without a pin: the chain or the name check failed (detail)
        unreachable,  // no connection ("connection refused 127.0.0.1:8443", a name not found)
        silent,       // connected, but no answer within the time limit
        lost,         // the connection broke or the gateway closed it (detail, maybe empty)
    };
    Kind kind;
    int status = 0;
    std::string detail;  // UTF-8, for people
};

// The answer to one write: the HTTP status and body, or why there was none.
struct WriteAnswer {
    int status = 0;
    std::string body;
    std::optional<LinkFailure> failure;
};

// One desk's connection to a gateway's share (docs/share.md): the event stream
// (GET /share/stream) coming in, and the writes (POST /share/write) going out one at a time, in
// order, on a connection of their own. Every request carries the desk's password; with a pinned
// fingerprint the password goes only over a connection whose certificate is the pinned one.
//
// The handlers run on the control's thread, through its message loop, never after the link has
// been destroyed; a handler may destroy the link. Destroying it returns within a second, whatever
// the connections are waiting for (a connection attempt, an answer, a name lookup): a wait that
// the system cannot cut short is left to end on its own, touching nothing of the owner's.
class ShareLink {
  public:
    struct Handlers {
        // The stream's body, in order, from its first byte; only after a 200 answer.
        std::function<void(std::string_view bytes)> streamBytes;
        // The stream ended (or never began); the link delivers nothing more of it.
        std::function<void(const LinkFailure& failure)> streamEnded;
        // The answers to the writes, one for each, in the order of the writes.
        std::function<void(const WriteAnswer& answer)> written;
    };

    virtual ~ShareLink() = default;
    // Queues one POST /share/write with the JSON body; its answer may take up to wait plus a
    // margin for the network.
    virtual void write(std::string body, std::chrono::milliseconds wait) = 0;
};

// Makes links: one per connection to a gateway.
class ShareTransport {
  public:
    virtual ~ShareTransport() = default;
    // Starts connecting the stream at once.
    virtual std::unique_ptr<ShareLink> connect(const ShareSettings& settings,
                                               ShareLink::Handlers handlers) = 0;
};

}  // namespace velko::share
