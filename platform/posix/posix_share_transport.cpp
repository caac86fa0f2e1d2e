#include "platform/posix/posix_share_transport.h"

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/posix/loop_inbox.h"
#include "platform/posix/share_client.h"

namespace velko::posix {

namespace {

using namespace std::chrono_literals;
using share::LinkFailure;
using share::ShareLink;
using share::WriteAnswer;
using Clock = std::chrono::steady_clock;

// The stream's time limit between two pieces: the gateway's comment every 15 s keeps it busy.
constexpr std::chrono::seconds kStreamReadLimit{40};
// The time a write's answer may take beyond its own wait.
constexpr std::chrono::seconds kWriteAnswerMargin{5};
// The stream's bytes handed to the loop and not yet taken, beyond which the stream's thread
// waits: a loop that is busy elsewhere holds the gateway back rather than the memory growing.
constexpr size_t kMostUntaken = 1024 * 1024;
// The most an answer to a write may hold.
constexpr size_t kLongestAnswer = 64 * 1024;
// How long destroying a link waits for its threads before it leaves them to end alone: a thread
// whose connection the stop cut short ends within it; one in a connection attempt or handshake
// waits for its time limit, and the rest of a stop's second is the program's to end in.
constexpr auto kStopWait = 200ms;

// Starts a thread with every signal blocked: the signals go to the program's other threads, and
// a write to a connection the gateway closed fails with EPIPE instead of ending the process.
std::thread threadWithoutSignals(std::function<void()> body) {
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    struct Restore {
        sigset_t& mask;
        ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    return std::thread(std::move(body));
}

struct Write {
    std::string body;
    std::chrono::milliseconds wait;
};

// What a link shares with its threads; whoever lets it go last frees it.
class Shared : public std::enable_shared_from_this<Shared> {
  public:
    Shared(share::ShareSettings settings, ShareLink::Handlers handlers,
           std::shared_ptr<LoopInbox> inbox)
        : settings(std::move(settings)), handlers(std::move(handlers)), inbox(std::move(inbox)) {}

    // Called only on the loop's thread, through the inbox.
    const share::ShareSettings settings;
    const ShareLink::Handlers handlers;
    const std::shared_ptr<LoopInbox> inbox;

    // Keeps the client for stop(); false when the link is stopping already.
    bool enlist(const std::shared_ptr<ShareClient>& client) {
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
        return !stopped_;
    }
    bool stopped() {
        std::lock_guard lock(mutex_);
        return stopped_;
    }
    // Cuts the connections short, from threads of their own: a client in the middle of a
    // connection attempt holds its lock until the attempt ends.
    void stop() {
        std::vector<std::shared_ptr<ShareClient>> clients;
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
            clients = clients_;
        }
        changed_.notify_all();
        for (const auto& client : clients) {
            try {
                threadWithoutSignals([client] { client->http().stop(); }).detach();
            } catch (const std::system_error&) {
            }
        }
    }
    // Whether every thread has ended within the time.
    bool waitForThreads(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return running_ == 0; });
    }
    void threadStarted() {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    void threadEnded() {
        {
            std::lock_guard lock(mutex_);
            --running_;
        }
        changed_.notify_all();
    }

    // The stream's thread: hands the bytes to the loop, waiting while too many wait there.
    bool handOver(std::string bytes) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopped_ || untaken_ < kMostUntaken; });
            if (stopped_) return false;
            untaken_ += bytes.size();
        }
        inbox->post([self = shared_from_this(), bytes = std::move(bytes)] {
            self->taken(bytes.size());
            self->handlers.streamBytes(bytes);
        });
        return true;
    }

    void queueWrite(Write write) {
        {
            std::lock_guard lock(mutex_);
            writes_.push_back(std::move(write));
        }
        changed_.notify_all();
    }
    // The writes' thread: the next write, or nothing once the link stops.
    std::optional<Write> nextWrite() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || !writes_.empty(); });
        if (stopped_) return std::nullopt;
        Write write = std::move(writes_.front());
        writes_.pop_front();
        return write;
    }

  private:
    void taken(size_t size) {
        {
            std::lock_guard lock(mutex_);
            untaken_ -= size;
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    int running_ = 0;
    size_t untaken_ = 0;
    std::deque<Write> writes_;
    std::vector<std::shared_ptr<ShareClient>> clients_;
};

void receiveStream(const std::shared_ptr<Shared>& shared) {
    const auto client = std::make_shared<ShareClient>(shared->settings, kStreamReadLimit, false);
    if (!shared->enlist(client)) return;
    int status = 0;
    auto lastPiece = Clock::now();
    httplib::Request request;
    request.method = "GET";
    request.path = "/share/stream";
    request.headers = {{"Accept", "text/event-stream"}};
    request.response_handler = [&](const httplib::Response& response) {
        status = response.status;
        lastPiece = Clock::now();
        return status == 200;
    };
    request.content_receiver = [&](const char* data, size_t size, uint64_t, uint64_t) {
        lastPiece = Clock::now();
        return shared->handOver(std::string(data, size));
    };
    const httplib::Result result = client->http().send(request);
    if (shared->stopped()) return;
    LinkFailure failure{LinkFailure::Kind::lost, 0, {}};
    if (status != 200) {
        failure = client->failureOf(result.error(), status);
    } else if (result.error() == httplib::Error::Read &&
               Clock::now() - lastPiece >= kStreamReadLimit - 1s) {
        failure.detail = "nothing came for " + std::to_string(kStreamReadLimit.count()) + " s";
    }
    shared->inbox->post([shared, failure] { shared->handlers.streamEnded(failure); });
}

WriteAnswer send(ShareClient& client, const Write& write) {
    int status = 0;
    std::string body;
    httplib::Request request;
    request.method = "POST";
    request.path = "/share/write";
    request.headers = {{"Content-Type", "application/json"}};
    request.body = write.body;
    request.response_handler = [&](const httplib::Response& response) {
        status = response.status;
        return true;
    };
    request.content_receiver = [&](const char* data, size_t size, uint64_t, uint64_t) {
        if (body.size() + size > kLongestAnswer) return false;
        body.append(data, size);
        return true;
    };
    const httplib::Result result = client.http().send(request);
    if (!result) return {0, {}, client.failureOf(result.error(), status)};
    return {status, std::move(body), std::nullopt};
}

// The writes share one connection, kept alive between them, and one time limit: the first
// write's wait and a margin.
void sendWrites(const std::shared_ptr<Shared>& shared) {
    std::shared_ptr<ShareClient> client;
    while (const auto write = shared->nextWrite()) {
        if (!client) {
            const auto limit =
                std::chrono::ceil<std::chrono::seconds>(write->wait) + kWriteAnswerMargin;
            client = std::make_shared<ShareClient>(shared->settings, limit, true);
            if (!shared->enlist(client)) return;
        }
        WriteAnswer answer = send(*client, *write);
        if (shared->stopped()) return;
        shared->inbox->post(
            [shared, answer = std::move(answer)] { shared->handlers.written(answer); });
    }
}

class PosixShareLink final : public ShareLink {
  public:
    PosixShareLink(PollLoop& loop, const share::ShareSettings& settings, Handlers handlers)
        : shared_(std::make_shared<Shared>(settings, std::move(handlers), LoopInbox::open(loop))) {
        try {
            start(receiveStream);
            start(sendWrites);
        } catch (...) {
            stop();
            throw;
        }
    }

    ~PosixShareLink() override { stop(); }

    void write(std::string body, std::chrono::milliseconds wait) override {
        shared_->queueWrite({std::move(body), wait});
    }

  private:
    void stop() {
        shared_->inbox->close();
        shared_->stop();
        const bool ended = shared_->waitForThreads(kStopWait);
        for (std::thread& thread : threads_) {
            if (ended) {
                thread.join();
            } else {
                thread.detach();
            }
        }
        threads_.clear();
    }

    // A failure the thread did not expect ends the link as a broken connection: nothing escapes
    // the thread.
    void start(void (*work)(const std::shared_ptr<Shared>&)) {
        shared_->threadStarted();
        try {
            threads_.push_back(threadWithoutSignals([shared = shared_, work] {
                try {
                    work(shared);
                } catch (const std::exception& error) {
                    const LinkFailure failure{LinkFailure::Kind::lost, 0, error.what()};
                    shared->inbox->post(
                        [shared, failure] { shared->handlers.streamEnded(failure); });
                }
                shared->threadEnded();
            }));
        } catch (...) {
            shared_->threadEnded();
            throw;
        }
    }

    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
};

// A link that could not be made: it tells so from the loop, as a connection that failed.
class FailedLink final : public ShareLink {
  public:
    FailedLink(PollLoop& loop, Handlers handlers, std::string reason)
        : loop_(loop),
          alarm_(loop.schedule(PollLoop::Clock::now(),
                               [ended = std::move(handlers.streamEnded), reason] {
                                   ended({LinkFailure::Kind::lost, 0, reason});
                               })) {}
    ~FailedLink() override { loop_.cancel(alarm_); }
    void write(std::string, std::chrono::milliseconds) override {}

  private:
    PollLoop& loop_;
    int alarm_;
};

}  // namespace

std::unique_ptr<ShareLink> PosixShareTransport::connect(const share::ShareSettings& settings,
                                                        ShareLink::Handlers handlers) {
    try {
        return std::make_unique<PosixShareLink>(loop_, settings, handlers);
    } catch (const std::exception& error) {
        return std::make_unique<FailedLink>(
            loop_, std::move(handlers),
            std::string("the connection could not start: ") + error.what());
    }
}

}  // namespace velko::posix
