#pragma once

#include <httplib.h>

namespace velko::gateway {

// The HTTP library's handling of a request (parsing it, routing it to the board's handlers,
// writing the answer) without its handling of connections, which the board's gate and workers
// do instead: answer() reads one request from a stream of theirs. Its handlers are registered as
// on any httplib::Server; listen() is never called.
class BoardHttp final : public httplib::Server {
  public:
    BoardHttp();

    // Reads one request and writes its answer (with "Connection: close" when closeAfter); false
    // when the connection cannot carry another: the far end has gone or asked to close, or the
    // request or its answer failed.
    bool answer(httplib::Stream& stream, bool closeAfter);
    // Answers being written in pieces (the CSV, the events) end at their next piece.
    void stopWriting();
};

}  // namespace velko::gateway
