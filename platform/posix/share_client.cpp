#include "platform/posix/share_client.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>

#include "platform/posix/unreachable_reason.h"

namespace velko::posix {

namespace {

using share::LinkFailure;

// Replaces the chain check: the leaf certificate's SHA-256 is the pinned one, or the handshake
// fails.
int checkPin(X509_STORE_CTX* store, void* argument) {
    auto& pin = *static_cast<PinCheck*>(argument);
    X509* certificate = X509_STORE_CTX_get0_cert(store);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (certificate != nullptr && X509_digest(certificate, EVP_sha256(), digest, &size) == 1 &&
        size == pin.expected.size() &&
        std::equal(pin.expected.begin(), pin.expected.end(), digest)) {
        return 1;
    }
    pin.mismatched = true;
    X509_STORE_CTX_set_error(store, X509_V_ERR_CERT_REJECTED);
    return 0;
}

// The reason OpenSSL gives for the last failure on this thread, if any.
std::string tlsReason() {
    const unsigned long error = ERR_peek_last_error();
    const char* reason = error != 0 ? ERR_reason_error_string(error) : nullptr;
    ERR_clear_error();
    return reason != nullptr ? std::string(": ") + reason : std::string();
}

}  // namespace

ShareClient::ShareClient(const share::ShareSettings& settings, std::chrono::seconds readLimit,
                         bool keepAlive)
    : settings_(settings) {
    const auto& address = settings.address;
    if (address.tls) {
        auto tls = std::make_unique<httplib::SSLClient>(address.host, address.port);
        tls_ = tls.get();
        if (settings.fingerprint) {
            pin_ = std::make_unique<PinCheck>();
            pin_->expected = *settings.fingerprint;
            tls->enable_server_certificate_verification(false);
            SSL_CTX* context = tls->ssl_context();
            SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
            SSL_CTX_set_cert_verify_callback(context, checkPin, pin_.get());
        }
        client_ = std::move(tls);
    } else {
        client_ = std::make_unique<httplib::ClientImpl>(address.host, address.port);
    }
    client_->set_basic_auth("desk", settings.password);
    client_->set_connection_timeout(kConnectLimit);
    client_->set_read_timeout(readLimit);
    client_->set_write_timeout(kConnectLimit);
    client_->set_keep_alive(keepAlive);
    client_->set_tcp_nodelay(true);
}

LinkFailure ShareClient::failureOf(httplib::Error error, int status) {
    using httplib::Error;
    const auto& address = settings_.address;
    if (status != 0 && status != 200) return {LinkFailure::Kind::refused, status, {}};
    switch (error) {
        case Error::Connection: {
            std::string reason = unreachableReason(address.host, address.port, kConnectLimit);
            if (reason.empty()) reason = "the connection failed";
            return {LinkFailure::Kind::unreachable, 0, reason};
        }
        case Error::ConnectionTimeout:
            return {LinkFailure::Kind::unreachable, 0,
                    "no connection within " + std::to_string(kConnectLimit.count()) + " s"};
        case Error::SSLConnection:
            if (pin_ && pin_->mismatched) return {LinkFailure::Kind::fingerprint, 0, {}};
            return {LinkFailure::Kind::unreachable, 0, "the TLS handshake failed" + tlsReason()};
        case Error::SSLServerVerification: {
            const long result = tls_ != nullptr ? tls_->get_openssl_verify_result() : X509_V_OK;
            if (result == X509_V_OK) {
                return {LinkFailure::Kind::untrusted, 0, "it does not name " + address.host};
            }
            return {LinkFailure::Kind::untrusted, 0, X509_verify_cert_error_string(result)};
        }
        case Error::SSLLoadingCerts:
            return {LinkFailure::Kind::untrusted, 0, "the system's certificates cannot be read"};
        case Error::Read:
            return {status == 0 ? LinkFailure::Kind::silent : LinkFailure::Kind::lost, 0,
                    status == 0 ? "no answer" : "nothing more came"};
        case Error::Write:
            return {LinkFailure::Kind::lost, 0, "the request could not be sent"};
        default:
            return {LinkFailure::Kind::lost, 0, httplib::to_string(error)};
    }
}

}  // namespace velko::posix
