#include "gateway/board/board_connection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace velko::gateway {

using Outcome = TcpSocket::Outcome;

BoardConnection::BoardConnection(TcpSocket::Accepted accepted, ssl_ctx_st* tls)
    : socket_(std::move(accepted.socket)),
      peer_(std::move(accepted.peer)),
      local_(std::move(accepted.local)) {
    if (tls == nullptr) return;
    tls_ = SSL_new(tls);
    if (tls_ == nullptr || SSL_set_fd(tls_, socket_.handle()) != 1) {
        SSL_free(tls_);
        throw std::runtime_error("the board: no memory for a TLS connection");
    }
    SSL_set_accept_state(tls_);
}

BoardConnection::~BoardConnection() { SSL_free(tls_); }

// OpenSSL keeps its errors in a queue of the thread: each call starts from an empty one, so
// that SSL_get_error tells of this call alone.
BoardConnection::Transfer BoardConnection::tlsOutcome(int result, size_t bytes) {
    if (result == 1) return {Outcome::Done, bytes};
    const int error = SSL_get_error(tls_, result);
    ERR_clear_error();
    switch (error) {
        case SSL_ERROR_WANT_READ:
            return {Outcome::WouldBlock, 0, false};
        case SSL_ERROR_WANT_WRITE:
            return {Outcome::WouldBlock, 0, true};
        case SSL_ERROR_ZERO_RETURN:
            return {Outcome::Ended, 0};
        default:
            tlsBroken_ = true;
            return {Outcome::Failed, 0};
    }
}

BoardConnection::Transfer BoardConnection::handshake() {
    if (tls_ == nullptr) return {Outcome::Done, 0};
    ERR_clear_error();
    return tlsOutcome(SSL_do_handshake(tls_), 0);
}

BoardConnection::Transfer BoardConnection::receive(char* data, size_t size) {
    if (tls_ == nullptr) {
        const TcpSocket::Transfer done = socket_.receive(data, size);
        return {done.outcome, done.bytes};
    }
    ERR_clear_error();
    size_t got = 0;
    const int result = SSL_read_ex(tls_, data, size, &got);
    return tlsOutcome(result, got);
}

BoardConnection::Transfer BoardConnection::send(const char* data, size_t size) {
    if (tls_ == nullptr) {
        const TcpSocket::Transfer done = socket_.send(data, size);
        return {done.outcome, done.bytes, true};
    }
    ERR_clear_error();
    size_t sent = 0;
    const int result = SSL_write_ex(tls_, data, size, &sent);
    return tlsOutcome(result, sent);
}

BoardConnection::Transfer BoardConnection::discard(char* scratch, size_t size) {
    const TcpSocket::Transfer done = socket_.receive(scratch, size);
    return {done.outcome, done.bytes};
}

bool BoardConnection::holdsReceived() const { return tls_ != nullptr && SSL_pending(tls_) > 0; }

void BoardConnection::finishSending() {
    if (tls_ != nullptr && !tlsBroken_ && SSL_is_init_finished(tls_)) {
        ERR_clear_error();
        SSL_shutdown(tls_);
        ERR_clear_error();
    }
    socket_.shutdownSending();
}

}  // namespace velko::gateway
