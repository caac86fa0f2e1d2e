#include "platform/win32/share/gateway_request.h"

#include <wincrypt.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/win32/share/exclusive_lock.h"
#include "platform/win32/share/unreachable_reason.h"
#include "platform/win32/share/wide_text.h"

namespace velko::win32 {

namespace {

using share::LinkFailure;

// The time a connection, with its handshake, may take.
constexpr DWORD kConnectMilliseconds = 5000;

std::wstring basicAuthorization(const std::string& password) {
    const std::string credentials = "desk:" + password;
    DWORD size = 0;
    const auto bytes = reinterpret_cast<const BYTE*>(credentials.data());
    const auto length = static_cast<DWORD>(credentials.size());
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    CryptBinaryToStringW(bytes, length, flags, nullptr, &size);
    std::wstring encoded(size, L'\0');
    CryptBinaryToStringW(bytes, length, flags, encoded.data(), &size);
    encoded.resize(size);
    return L"Authorization: Basic " + encoded;
}

bool certificateMatches(HINTERNET request, const share::Fingerprint& expected) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
        certificate == nullptr) {
        return false;
    }
    share::Fingerprint digest{};
    DWORD digestSize = static_cast<DWORD>(digest.size());
    const bool hashed =
        CryptHashCertificate(0, CALG_SHA_256, 0, certificate->pbCertEncoded,
                             certificate->cbCertEncoded, digest.data(), &digestSize) &&
        digestSize == digest.size();
    CertFreeCertificateContext(certificate);
    return hashed && digest == expected;
}

std::string secureFailureReason(DWORD flags) {
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA)
        return "no authority the system trusts signed it";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID) return "it names another host";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID)
        return "it has expired or is not valid yet";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED) return "it has been revoked";
    if (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT) return "it is not valid";
    return "the system's check refused it";
}

}  // namespace

bool CancelSlot::hold(HINTERNET request) {
    ExclusiveLock lock(lock_);
    if (stopped_) {
        WinHttpCloseHandle(request);
        return false;
    }
    held_ = request;
    return true;
}

void CancelSlot::release(HINTERNET request) {
    ExclusiveLock lock(lock_);
    if (held_ != request) return;
    WinHttpCloseHandle(request);
    held_ = nullptr;
}

void CancelSlot::stop() {
    ExclusiveLock lock(lock_);
    stopped_ = true;
    if (held_ != nullptr) WinHttpCloseHandle(held_);
    held_ = nullptr;
}

bool CancelSlot::stopped() {
    ExclusiveLock lock(lock_);
    return stopped_;
}

// What the status callback of one sending learns, through the request's context.
struct GatewaySession::Attempt {
    const std::optional<share::Fingerprint>& pin;
    CancelSlot& slot;
    bool withheld = false;
    bool mismatched = false;
    DWORD secureFailure = 0;

    static void CALLBACK onStatus(HINTERNET request, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD length) {
        auto& attempt = *reinterpret_cast<Attempt*>(context);
        if (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER && attempt.pin) {
            // A new connection, whose certificate shows only once the request is on its way.
            WinHttpAddRequestHeaders(request, L"Authorization:", static_cast<DWORD>(-1),
                                     WINHTTP_ADDREQ_FLAG_REPLACE);
            attempt.withheld = true;
        } else if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST && attempt.pin &&
                   !certificateMatches(request, *attempt.pin)) {
            // Closing the request here stops its sending on Windows.
            attempt.mismatched = true;
            attempt.slot.release(request);
        } else if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && length >= sizeof(DWORD)) {
            attempt.secureFailure = *static_cast<DWORD*>(info);
        }
    }
};

GatewaySession::GatewaySession(const share::ShareSettings& settings,
                               std::chrono::milliseconds answerLimit)
    : settings_(settings),
      authorization_(basicAuthorization(settings.password)),
      answerLimit_(answerLimit) {
    session_ = WinHttpOpen(L"velko desk", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (session_ == nullptr) return;
    const auto answer = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
        answerLimit.count(), std::numeric_limits<int>::max()));
    WinHttpSetTimeouts(session_, kConnectMilliseconds, kConnectMilliseconds, kConnectMilliseconds,
                       answer);
    connection_ = WinHttpConnect(session_, wideFromUtf8(settings.address.host).c_str(),
                                 settings.address.port, 0);
}

GatewaySession::~GatewaySession() {
    if (connection_ != nullptr) WinHttpCloseHandle(connection_);
    if (session_ != nullptr) WinHttpCloseHandle(session_);
}

std::variant<GatewaySession::Answer, LinkFailure> GatewaySession::send(const wchar_t* verb,
                                                                       const wchar_t* path,
                                                                       const wchar_t* headers,
                                                                       const std::string& body,
                                                                       CancelSlot& slot) {
    if (connection_ == nullptr) return failureOf(GetLastError(), false);
    const DWORD flags = settings_.address.tls ? WINHTTP_FLAG_SECURE : 0;
    HINTERNET request = WinHttpOpenRequest(connection_, verb, path, nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (request == nullptr) return failureOf(GetLastError(), false);
    if (!slot.hold(request)) return LinkFailure{LinkFailure::Kind::lost, 0, "stopped"};
    if (settings_.fingerprint) {
        DWORD ignored = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                        SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                        SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &ignored, sizeof ignored);
    }
    WinHttpSetStatusCallback(request, &Attempt::onStatus,
                             WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER |
                                 WINHTTP_CALLBACK_FLAG_SEND_REQUEST |
                                 WINHTTP_CALLBACK_FLAG_SECURE_FAILURE,
                             0);
    const std::wstring allHeaders = authorization_ + L"\r\n" + headers;
    bool withheld = false;
    auto result = attempt(request, allHeaders, body, slot, withheld);
    if (!withheld) return result;
    // The certificate of the new connection matched: the same request again, with the
    // password, on that connection (WinHTTP reads the refusal's body first).
    result = attempt(request, allHeaders, body, slot, withheld);
    if (!withheld) return result;
    slot.release(request);
    return LinkFailure{LinkFailure::Kind::lost, 0,
                       "the gateway closed the connection whose certificate was checked"};
}

std::variant<GatewaySession::Answer, LinkFailure> GatewaySession::attempt(
    HINTERNET request, const std::wstring& headers, const std::string& body, CancelSlot& slot,
    bool& withheld) {
    WinHttpAddRequestHeaders(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                             WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
    Attempt attempt{settings_.fingerprint, slot};
    void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    const auto size = static_cast<DWORD>(body.size());
    const bool answered = WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size,
                                             size, reinterpret_cast<DWORD_PTR>(&attempt)) &&
                          WinHttpReceiveResponse(request, nullptr);
    const DWORD error = answered ? ERROR_SUCCESS : GetLastError();
    if (attempt.mismatched) {
        slot.release(request);
        return LinkFailure{LinkFailure::Kind::fingerprint, 0, {}};
    }
    if (!answered) {
        slot.release(request);
        if ((error == ERROR_WINHTTP_SECURE_FAILURE ||
             error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) &&
            !settings_.fingerprint) {
            return LinkFailure{LinkFailure::Kind::untrusted, 0,
                               secureFailureReason(attempt.secureFailure)};
        }
        return failureOf(error, false);
    }
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                        WINHTTP_NO_HEADER_INDEX);
    withheld = attempt.withheld && status == 401;
    return Answer{request, static_cast<int>(status)};
}

bool GatewaySession::readSome(HINTERNET request, std::string& bytes, DWORD& error) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
        error = GetLastError();
        return false;
    }
    if (available == 0) {
        error = ERROR_SUCCESS;
        return false;
    }
    const size_t before = bytes.size();
    bytes.resize(before + available);
    DWORD read = 0;
    if (!WinHttpReadData(request, bytes.data() + before, available, &read)) {
        bytes.resize(before);
        error = GetLastError();
        return false;
    }
    bytes.resize(before + read);
    return true;
}

LinkFailure GatewaySession::failureOf(DWORD error, bool hasAnswer) const {
    const auto& address = settings_.address;
    switch (error) {
        case ERROR_WINHTTP_CANNOT_CONNECT:
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        case ERROR_WINHTTP_CONNECTION_ERROR: {
            if (hasAnswer) return {LinkFailure::Kind::lost, 0, "it was cut"};
            std::string reason = unreachableReason(address.host, address.port,
                                                   std::chrono::milliseconds(kConnectMilliseconds));
            if (reason.empty()) {
                reason = error == ERROR_WINHTTP_CONNECTION_ERROR ? "the TLS handshake failed"
                                                                 : "the connection failed";
            }
            return {LinkFailure::Kind::unreachable, 0, reason};
        }
        case ERROR_WINHTTP_TIMEOUT: {
            const auto seconds = std::to_string(answerLimit_.count() / 1000);
            if (hasAnswer)
                return {LinkFailure::Kind::lost, 0, "nothing came for " + seconds + " s"};
            return {LinkFailure::Kind::silent, 0, "no answer within " + seconds + " s"};
        }
        case ERROR_WINHTTP_SECURE_FAILURE:
            return {LinkFailure::Kind::unreachable, 0, "the TLS handshake failed"};
        default:
            return {LinkFailure::Kind::lost, 0, "WinHTTP error " + std::to_string(error)};
    }
}

}  // namespace velko::win32
