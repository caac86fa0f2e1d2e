#pragma once

#include <string>

struct ssl_ctx_st;

namespace velko::gateway {

// The board's TLS settings, made once from the certificate (PEM, with its chain) and the key
// given, for every connection: TLS 1.2 and later, no renegotiation, a small session cache, and
// buffers freed while a connection is idle.
class TlsContext {
  public:
    // Raises std::runtime_error when the files cannot be read or do not belong together.
    TlsContext(const std::string& certFile, const std::string& keyFile);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* get() const { return context_; }

  private:
    ssl_ctx_st* context_ = nullptr;
};

}  // namespace velko::gateway
