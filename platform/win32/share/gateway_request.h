#pragma once

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <string>
#include <variant>

#include "platform/share/share_settings.h"
#include "platform/share/share_transport.h"

namespace velko::win32 {

// Where a link's thread keeps the request it waits on, so that the link's owner can close it
// when the link stops (which ends the wait on Windows; Wine ends it only at its time limit).
class CancelSlot {
  public:
    CancelSlot() = default;
    CancelSlot(const CancelSlot&) = delete;
    CancelSlot& operator=(const CancelSlot&) = delete;

    // Keeps the request; false, closing it, once the owner has stopped.
    bool hold(HINTERNET request);
    // Closes the request, unless the owner has closed it already.
    void release(HINTERNET request);
    // The owner's thread: closes the held request; nothing is held after this.
    void stop();
    bool stopped();

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    HINTERNET held_ = nullptr;
    bool stopped_ = false;
};

// A desk's WinHTTP session with its gateway, for one thread: the connection's time limits, and
// each request with the desk's password (HTTP Basic, user "desk").
//
// With a pinned fingerprint the system's check of the certificate is switched off and the
// certificate's SHA-256 is compared instead, before the password goes out: WinHTTP shows the
// certificate only once a request is on its way, so on a new connection the first request goes
// without the password (removed as the connection is made); once the certificate matched, the
// gateway's 401 is answered by sending the same request again, with the password, on the
// connection just checked. A connection whose certificate does not match is closed before its
// answer is read, so that no request of this program ever finds it in WinHTTP's pool of
// connections.
class GatewaySession {
  public:
    // The time one answer may take before its request fails.
    GatewaySession(const share::ShareSettings& settings, std::chrono::milliseconds answerLimit);
    ~GatewaySession();
    GatewaySession(const GatewaySession&) = delete;
    GatewaySession& operator=(const GatewaySession&) = delete;

    // A request with its answer's status; the owner reads the body and releases it.
    struct Answer {
        HINTERNET request;
        int status;
    };

    // Sends the request and waits for its answer's head. Nothing happens, and nothing is
    // returned but a failure, once the slot has stopped.
    std::variant<Answer, share::LinkFailure> send(const wchar_t* verb, const wchar_t* path,
                                                  const wchar_t* headers, const std::string& body,
                                                  CancelSlot& slot);

    // Reads what the answer's body holds now, waiting for some when there is none yet: false
    // with the error once the body has ended (ERROR_SUCCESS) or failed.
    static bool readSome(HINTERNET request, std::string& bytes, DWORD& error);

    // Why a request failed, where the error WinHTTP gave tells it; hasAnswer says whether its
    // answer's head had come. Blocks while it finds why a connection could not be made.
    share::LinkFailure failureOf(DWORD error, bool hasAnswer) const;

  private:
    struct Attempt;
    // Sends the request once; withheld tells that it went without the password on a connection
    // whose certificate then matched, and was refused for that.
    std::variant<Answer, share::LinkFailure> attempt(HINTERNET request, const std::wstring& headers,
                                                     const std::string& body, CancelSlot& slot,
                                                     bool& withheld);

    share::ShareSettings settings_;
    std::wstring authorization_;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    std::chrono::milliseconds answerLimit_;
};

}  // namespace velko::win32
