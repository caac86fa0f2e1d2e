#pragma once

#include <cstddef>
#include <string>

#include "gateway/system/tcp_socket.h"

struct ssl_st;
struct ssl_ctx_st;

namespace velko::gateway {

// One browser's connection to the board, plain or TLS (OpenSSL), handed between the gate and the
// workers: one thread uses it at a time. Its transfers never wait; one that cannot go on says
// which way the socket must become ready first.
class BoardConnection {
  public:
    struct Transfer {
        TcpSocket::Outcome outcome = TcpSocket::Outcome::Failed;
        size_t bytes = 0;
        bool waitsToWrite = false;  // WouldBlock: until the socket can write (else read)
    };

    // TLS when tls is given; its handshake is then still to make.
    BoardConnection(TcpSocket::Accepted accepted, ssl_ctx_st* tls);
    ~BoardConnection();
    BoardConnection(const BoardConnection&) = delete;
    BoardConnection& operator=(const BoardConnection&) = delete;

    // Done once the TLS handshake is made (at once for plain HTTP).
    Transfer handshake();
    Transfer receive(char* data, size_t size);
    Transfer send(const char* data, size_t size);
    // Received bytes that TLS holds decrypted already, which no socket wait would announce.
    bool holdsReceived() const;
    // Tells the far end that nothing more comes (TLS's close notification too, without waiting
    // for it to go out); what it still sends can be received from the socket and dropped.
    void finishSending();
    // Drops what the far end sent, past TLS; Ended once it has closed its side.
    Transfer discard(char* scratch, size_t size);

    TcpSocket::Handle handle() const { return socket_.handle(); }
    const Endpoint& peer() const { return peer_; }
    const Endpoint& local() const { return local_; }

    // What was received and not yet taken by a request: the gate collects a request's head
    // here, the worker's stream serves it and leaves what follows for the next request.
    std::string received;
    // The length of the head at the start of `received`, once the gate has found its end.
    size_t headLength = 0;
    // Requests answered on this connection.
    size_t answered = 0;

  private:
    Transfer tlsOutcome(int result, size_t bytes);

    TcpSocket socket_;
    Endpoint peer_;
    Endpoint local_;
    ssl_st* tls_ = nullptr;
    bool tlsBroken_ = false;  // after a TLS error nothing more may be sent through it
};

}  // namespace velko::gateway
