#include "gateway/board/board_http.h"

namespace velko::gateway {

// The library ends answers written in pieces once its listening socket is gone: it has none
// here, so any other value stands for "running".
BoardHttp::BoardHttp() { svr_sock_ = 0; }

bool BoardHttp::answer(httplib::Stream& stream, bool closeAfter) {
    bool closed = false;
    const bool answered = process_request(stream, closeAfter, closed, nullptr);
    return answered && !closed && !closeAfter;
}

void BoardHttp::stopWriting() { svr_sock_ = INVALID_SOCKET; }

}  // namespace velko::gateway
