#pragma once

#include <memory>

#include "platform/posix/poll_loop.h"
#include "platform/share/share_transport.h"

namespace velko::posix {

// The share's connections on POSIX: cpp-httplib's client over OpenSSL, the stream and the writes
// each on a thread of its own, handing what they receive to the loop's thread (LoopInbox). A
// link's threads block every signal. Destroying a link cuts its connections short (the client's
// stop); a connection attempt or handshake, which holds the client until its time limit, is left
// to end alone on its thread, which keeps everything it uses.
class PosixShareTransport final : public share::ShareTransport {
  public:
    explicit PosixShareTransport(PollLoop& loop) : loop_(loop) {}

    std::unique_ptr<share::ShareLink> connect(const share::ShareSettings& settings,
                                              share::ShareLink::Handlers handlers) override;

  private:
    PollLoop& loop_;
};

}  // namespace velko::posix
