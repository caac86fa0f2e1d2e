#include "platform/win32/share/winhttp_share_transport.h"

#include <windows.h>

#include <chrono>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/share/exclusive_lock.h"
#include "platform/win32/share/gateway_request.h"
#include "platform/win32/share/window_inbox.h"

namespace velko::win32 {

namespace {

using namespace std::chrono_literals;
using share::LinkFailure;
using share::ShareLink;
using share::WriteAnswer;

// The stream's time limit between two pieces: the gateway's comment every 15 s keeps it busy.
constexpr std::chrono::milliseconds kStreamAnswerLimit = 40s;
// The time a write's answer may take beyond its own wait.
constexpr std::chrono::milliseconds kWriteAnswerMargin = 5s;
// The stream's bytes handed to the control's thread and not yet taken, beyond which the stream's
// thread waits.
constexpr size_t kMostUntaken = 1024 * 1024;
// The most an answer to a write may hold.
constexpr size_t kLongestAnswer = 64 * 1024;
// How long destroying a link waits for its threads before it leaves them to end alone: a thread
// whose request the stop closed ends within it on Windows; under Wine a thread waits for its
// time limit, and the rest of a stop's second is the program's to end in.
constexpr DWORD kStopWaitMilliseconds = 200;

struct Write {
    std::string body;
    std::chrono::milliseconds wait;
};

// What a link shares with its threads; whoever lets it go last frees it.
class Shared : public std::enable_shared_from_this<Shared> {
  public:
    Shared(share::ShareSettings settings, ShareLink::Handlers handlers,
           std::shared_ptr<WindowInbox> inbox)
        : settings(std::move(settings)), handlers(std::move(handlers)), inbox(std::move(inbox)) {}

    // Called only on the control's thread, through the inbox.
    const share::ShareSettings settings;
    const ShareLink::Handlers handlers;
    const std::shared_ptr<WindowInbox> inbox;
    CancelSlot streamSlot;
    CancelSlot writeSlot;

    void stop() {
        {
            ExclusiveLock lock(lock_);
            stopped_ = true;
        }
        WakeAllConditionVariable(&changed_);
        streamSlot.stop();
        writeSlot.stop();
    }

    void post(std::function<void()> action) { inbox->post(std::move(action)); }

    // The stream's thread: hands the bytes over, waiting while too many wait there; false once
    // the link stops.
    bool handOver(std::string bytes) {
        {
            ExclusiveLock lock(lock_);
            while (!stopped_ && untaken_ >= kMostUntaken) {
                SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
            }
            if (stopped_) return false;
            untaken_ += bytes.size();
        }
        post([self = shared_from_this(), bytes = std::move(bytes)] {
            self->taken(bytes.size());
            self->handlers.streamBytes(bytes);
        });
        return true;
    }

    void queueWrite(Write write) {
        {
            ExclusiveLock lock(lock_);
            writes_.push_back(std::move(write));
        }
        WakeAllConditionVariable(&changed_);
    }
    // The writes' thread: the next write, or nothing once the link stops.
    std::optional<Write> nextWrite() {
        ExclusiveLock lock(lock_);
        while (!stopped_ && writes_.empty()) {
            SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        }
        if (stopped_) return std::nullopt;
        Write write = std::move(writes_.front());
        writes_.pop_front();
        return write;
    }

  private:
    void taken(size_t size) {
        {
            ExclusiveLock lock(lock_);
            untaken_ -= size;
        }
        WakeAllConditionVariable(&changed_);
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    bool stopped_ = false;
    size_t untaken_ = 0;
    std::deque<Write> writes_;
};

void streamEnded(const std::shared_ptr<Shared>& shared, LinkFailure failure) {
    if (shared->streamSlot.stopped()) return;
    shared->post([shared, failure = std::move(failure)] { shared->handlers.streamEnded(failure); });
}

void receiveStream(const std::shared_ptr<Shared>& shared) {
    GatewaySession session(shared->settings, kStreamAnswerLimit);
    auto sent = session.send(L"GET", L"/share/stream", L"Accept: text/event-stream\r\n", {},
                             shared->streamSlot);
    if (auto* failure = std::get_if<LinkFailure>(&sent)) return streamEnded(shared, *failure);
    const auto answer = std::get<GatewaySession::Answer>(sent);
    if (answer.status != 200) {
        shared->streamSlot.release(answer.request);
        return streamEnded(shared, {LinkFailure::Kind::refused, answer.status, {}});
    }
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    while (GatewaySession::readSome(answer.request, bytes, error)) {
        if (!shared->handOver(std::move(bytes))) break;
        bytes.clear();
    }
    shared->streamSlot.release(answer.request);
    streamEnded(shared, error == ERROR_SUCCESS ? LinkFailure{LinkFailure::Kind::lost, 0, {}}
                                               : session.failureOf(error, true));
}

WriteAnswer send(GatewaySession& session, CancelSlot& slot, const Write& write) {
    auto sent = session.send(L"POST", L"/share/write", L"Content-Type: application/json\r\n",
                             write.body, slot);
    if (auto* failure = std::get_if<LinkFailure>(&sent)) return {0, {}, *failure};
    const auto answer = std::get<GatewaySession::Answer>(sent);
    std::string body;
    DWORD error = ERROR_SUCCESS;
    while (body.size() <= kLongestAnswer && GatewaySession::readSome(answer.request, body, error)) {
    }
    slot.release(answer.request);
    if (error != ERROR_SUCCESS) return {0, {}, session.failureOf(error, true)};
    if (body.size() > kLongestAnswer) body.clear();
    return {answer.status, std::move(body), std::nullopt};
}

// The writes share one session, whose connection WinHTTP keeps between them, and one time limit:
// the first write's wait and a margin.
void sendWrites(const std::shared_ptr<Shared>& shared) {
    std::unique_ptr<GatewaySession> session;
    while (const auto write = shared->nextWrite()) {
        if (!session) {
            session = std::make_unique<GatewaySession>(shared->settings,
                                                       write->wait + kWriteAnswerMargin);
        }
        WriteAnswer answer = send(*session, shared->writeSlot, *write);
        if (shared->writeSlot.stopped()) return;
        shared->post([shared, answer = std::move(answer)] { shared->handlers.written(answer); });
    }
}

// A link's thread: its work, and its hold on the module, which it lets go as it ends.
struct ThreadStart {
    std::shared_ptr<Shared> shared;
    void (*work)(const std::shared_ptr<Shared>&);
    HMODULE module;

    static DWORD WINAPI main(LPVOID argument) {
        auto start = std::unique_ptr<ThreadStart>(static_cast<ThreadStart*>(argument));
        const HMODULE module = start->module;
        try {
            start->work(start->shared);
        } catch (const std::exception& error) {
            streamEnded(start->shared, {LinkFailure::Kind::lost, 0, error.what()});
        }
        start.reset();
        if (module != nullptr) FreeLibraryAndExitThread(module, 0);
        return 0;
    }
};

HANDLE startThread(const std::shared_ptr<Shared>& shared,
                   void (*work)(const std::shared_ptr<Shared>&)) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&ThreadStart::main), &module);
    auto* start = new ThreadStart{shared, work, module};
    const HANDLE thread = CreateThread(nullptr, 0, &ThreadStart::main, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        if (module != nullptr) FreeLibrary(module);
    }
    return thread;
}

class WinHttpShareLink final : public ShareLink {
  public:
    WinHttpShareLink(MessageWindow& window, const share::ShareSettings& settings, Handlers handlers)
        : shared_(
              std::make_shared<Shared>(settings, std::move(handlers), WindowInbox::open(window))) {
        for (auto work : {receiveStream, sendWrites}) {
            if (const HANDLE thread = startThread(shared_, work)) {
                threads_.push_back(thread);
            } else {
                streamEnded(shared_, {LinkFailure::Kind::lost, 0, "no thread could be started"});
            }
        }
    }

    ~WinHttpShareLink() override {
        shared_->inbox->close();
        shared_->stop();
        if (!threads_.empty()) {
            WaitForMultipleObjects(static_cast<DWORD>(threads_.size()), threads_.data(), TRUE,
                                   kStopWaitMilliseconds);
        }
        for (const HANDLE thread : threads_) CloseHandle(thread);
    }

    WinHttpShareLink(const WinHttpShareLink&) = delete;
    WinHttpShareLink& operator=(const WinHttpShareLink&) = delete;

    void write(std::string body, std::chrono::milliseconds wait) override {
        shared_->queueWrite({std::move(body), wait});
    }

  private:
    std::shared_ptr<Shared> shared_;
    std::vector<HANDLE> threads_;
};

}  // namespace

std::unique_ptr<ShareLink> WinHttpShareTransport::connect(const share::ShareSettings& settings,
                                                          ShareLink::Handlers handlers) {
    return std::make_unique<WinHttpShareLink>(window_, settings, std::move(handlers));
}

}  // namespace velko::win32
