#include "gateway/posix/mqtt_output.h"

#include <mosquitto.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "gateway/call_time.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kKeepAliveSeconds = 30;
// How long a clean stop waits for the broker to take the "offline" status.
constexpr auto kOfflineWait = 400ms;

// A connection that ended, with the reason to tell.
struct Lost {
    std::string reason;
};

std::string describe(int result) {
    if (result == MOSQ_ERR_ERRNO) return std::system_category().message(errno);
    return mosquitto_strerror(result);
}

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
};

}  // namespace

MqttOutput::MqttOutput(MqttSettings settings, LoopAccess& loop, OutputEvents& events)
    : settings_(std::move(settings)),
      topics_(settings_.prefix, settings_.line),
      loop_(loop),
      events_(events),
      lastCallMoment_(settings_.lastCallTime ? momentOfTimeText(*settings_.lastCallTime)
                                             : std::nullopt) {
    static const LibraryUse library;
    thread_ = std::thread([this] { run(); });
}

MqttOutput::~MqttOutput() { stop(); }

void MqttOutput::deliver(const Call& call) {
    {
        const std::lock_guard lock(mutex_);
        inbox_.push_back(
            {Pending{call.id, topics_.call(call),
                     newestCall(call) ? std::optional(topics_.lastCall(call)) : std::nullopt,
                     std::nullopt},
             {}});
    }
    wake_.wake();
}

bool MqttOutput::newestCall(const Call& call) {
    const auto moment = call.time ? momentOfTimeText(*call.time) : std::nullopt;
    const bool newer = moment && (!lastCallMoment_ || *moment > *lastCallMoment_);
    if (newer) lastCallMoment_ = moment;
    return newer || call.source == CallSource::Report;
}

void MqttOutput::lineStatus(const LineStatus& status) {
    {
        const std::lock_guard lock(mutex_);
        inbox_.push_back({std::nullopt, status});
    }
    wake_.wake();
}

void MqttOutput::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wake_.wake();
    thread_.join();
}

void MqttOutput::tell(bool up, const std::string& reason) {
    loop_.post([this, up, reason] { events_.connectionChanged(name(), up, reason); });
}

void MqttOutput::run() {
    const std::string clientId = "velko-" + settings_.line;
    const MqttMessage will = topics_.offline();
    while (!stopping_) {
        mosquitto* client = mosquitto_new(clientId.c_str(), true, this);
        client_ = client;
        connectionOpened_ = false;
        refusal_.reset();
        libraryError_.clear();
        try {
            if (client == nullptr) throw Lost{"out of memory"};
            mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int result) {
                static_cast<MqttOutput*>(self)->connected(result);
            });
            mosquitto_publish_callback_set(client, [](mosquitto*, void* self, int messageId) {
                static_cast<MqttOutput*>(self)->published(messageId);
            });
            mosquitto_log_callback_set(client,
                                       [](mosquitto*, void* self, int level, const char* text) {
                                           if (level == MOSQ_LOG_ERR)
                                               static_cast<MqttOutput*>(self)->libraryError_ = text;
                                       });
            check(mosquitto_will_set(client, will.topic.c_str(),
                                     static_cast<int>(will.payload.size()), will.payload.data(), 1,
                                     true));
            if (!settings_.user.empty()) {
                check(mosquitto_username_pw_set(client, settings_.user.c_str(),
                                                settings_.password.c_str()));
            }
            if (!settings_.caFile.empty()) {
                check(mosquitto_tls_set(client, settings_.caFile.c_str(), nullptr, nullptr, nullptr,
                                        nullptr));
            }
            check(mosquitto_connect_async(client, settings_.host.c_str(), settings_.port,
                                          kKeepAliveSeconds));
            serve(client);
        } catch (const Lost& lost) {
            if (up_ || lost.reason != lastReason_) tell(false, lost.reason);
            lastReason_ = lost.reason;
        }
        up_ = false;
        client_ = nullptr;
        mosquitto_destroy(client);
        for (Pending& waiting : pending_) waiting.messageId.reset();
        published_.reset();
        const auto deadline = Clock::now() + retry_.wait();
        while (!stopping_ && Clock::now() < deadline) wake_.waitUntil(deadline);
        retry_.failed();
    }
}

// Runs the client on this thread: poll() on its socket and the wake pipe, the client's reads
// and writes as they become possible, and its keep-alive once a second.
void MqttOutput::serve(mosquitto* client) {
    std::optional<Clock::time_point> stopBy;
    for (;;) {
        if (stopping_ && !stopBy) {
            if (!up_) return;
            stopBy = Clock::now() + kOfflineWait;
            offlineId_ = publish(topics_.offline());
        }
        if (stopBy && (!offlineId_ || Clock::now() >= *stopBy)) return finish(client);
        takeInbox();
        const int socket = mosquitto_socket(client);
        if (socket < 0) throw Lost{"the connection closed"};
        pollfd entries[2] = {
            {socket, static_cast<short>(POLLIN | (mosquitto_want_write(client) ? POLLOUT : 0)), 0},
            {wake_.readEnd(), POLLIN, 0}};
        const int timeout = stopBy ? 50 : 1000;
        if (::poll(entries, 2, timeout) < 0 && errno != EINTR) throw Lost{"poll failed"};
        if (entries[1].revents != 0) wake_.drain();
        if (entries[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            const int result = mosquitto_loop_read(client, 1);
            // A refused connection tells why through the callback only.
            if (refusal_) throw Lost{*std::exchange(refusal_, std::nullopt)};
            check(result);
            if (std::exchange(connectionOpened_, false)) opened();
        }
        if (entries[0].revents & POLLOUT) check(mosquitto_loop_write(client, 1));
        check(mosquitto_loop_misc(client));
    }
}

void MqttOutput::check(int result) const {
    if (result == MOSQ_ERR_SUCCESS) return;
    if (result == MOSQ_ERR_TLS && !libraryError_.empty()) {
        throw Lost{describe(result) + " " + libraryError_};
    }
    throw Lost{describe(result)};
}

void MqttOutput::finish(mosquitto* client) {
    mosquitto_disconnect(client);
    mosquitto_loop_write(client, 1);
}

// Called by the client from inside its read: only noted here, as nothing may be raised
// through the library.
void MqttOutput::connected(int result) {
    if (result == 0) {
        connectionOpened_ = true;
    } else {
        refusal_ = mosquitto_connack_string(result);
    }
}

void MqttOutput::opened() {
    up_ = true;
    lastReason_.clear();
    retry_.connected();
    tell(true, "");
    if (settings_.discovery) {
        for (const MqttMessage& message : topics_.discovery(settings_.version)) publish(message);
    }
    publishStatus();
    publishPending();
}

void MqttOutput::published(int messageId) {
    if (offlineId_ == messageId) offlineId_.reset();
    const auto found = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& waiting) {
        return waiting.messageId == messageId;
    });
    if (found == pending_.end()) return;
    loop_.post([this, id = found->callId] { events_.delivered(name(), id); });
    pending_.erase(found);
}

void MqttOutput::takeInbox() {
    std::deque<Handed> arrived;
    {
        const std::lock_guard lock(mutex_);
        arrived.swap(inbox_);
    }
    for (Handed& handed : arrived) {
        if (handed.call) {
            pending_.push_back(std::move(*handed.call));
        } else {
            status_ = handed.status;
        }
        if (!up_) continue;
        publishPending();
        publishStatus();
    }
}

void MqttOutput::publishPending() {
    for (Pending& waiting : pending_) {
        if (waiting.messageId) continue;
        waiting.messageId = publish(waiting.call);
        if (waiting.lastCall) publish(*waiting.lastCall);
    }
}

// The retained state of the line, each part again when it changed or on a new connection.
void MqttOutput::publishStatus() {
    if (!published_ || published_->terminalConnected != status_.terminalConnected ||
        published_->logFailure != status_.logFailure ||
        published_->backfillGap != status_.backfillGap) {
        publish(topics_.status(status_));
    }
    if (!published_ || published_->offHook != status_.offHook)
        publish(topics_.hook(status_.offHook));
    if (!published_ || published_->ringing != status_.ringing) {
        publish(topics_.ringing(status_.ringing));
    }
    published_ = status_;
}

int MqttOutput::publish(const MqttMessage& message) {
    int messageId = 0;
    check(mosquitto_publish(client_, &messageId, message.topic.c_str(),
                            static_cast<int>(message.payload.size()), message.payload.data(), 1,
                            message.retained));
    return messageId;
}

}  // namespace velko::gateway
