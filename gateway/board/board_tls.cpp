#include "gateway/board/board_tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace velko::gateway {

namespace {

// Sessions kept for browsers that come back; each costs about a kilobyte.
constexpr long kSessionCache = 256;

}  // namespace

TlsContext::TlsContext(const std::string& certFile, const std::string& keyFile)
    : context_(SSL_CTX_new(TLS_server_method())) {
    if (context_ == nullptr) throw std::runtime_error("the board: cannot set up TLS");
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    SSL_CTX_set_mode(context_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                                   SSL_MODE_RELEASE_BUFFERS);
    SSL_CTX_sess_set_cache_size(context_, kSessionCache);
    if (SSL_CTX_use_certificate_chain_file(context_, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context_, keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context_) != 1) {
        ERR_clear_error();
        SSL_CTX_free(context_);
        throw std::runtime_error("the board: cannot use the certificate " + certFile +
                                 " with the key " + keyFile);
    }
}

TlsContext::~TlsContext() { SSL_CTX_free(context_); }

}  // namespace velko::gateway
