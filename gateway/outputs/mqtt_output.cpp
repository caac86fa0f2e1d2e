#include "gateway/outputs/mqtt_output.h"

#include <mosquitto.h>

#include <chrono>
#include <utility>

#include "gateway/calls/call_time.h"

namespace velko::gateway {

namespace {

using namespace std::chrono_literals;
using Clock = Wakeup::Clock;

// How long a clean stop waits for the broker to take the "offline" status.
constexpr auto kOfflineWait = 400ms;
// The library's own limit of messages in flight, above what the window lets through (two
// messages a call, the status and the configuration), so that it never queues them itself.
constexpr int kLibraryInFlight = 2 * MqttOutput::kWindow + 64;

}  // namespace

MqttOutput::MqttOutput(MqttSettings settings, LoopAccess& loop, OutputEvents& events)
    : ReconnectingOutput(loop, events),
      settings_(std::move(settings)),
      topics_(settings_.prefix, settings_.line),
      lastCallMoment_(settings_.lastCallTime ? momentOfTimeText(*settings_.lastCallTime)
                                             : std::nullopt) {
    start();
}

MqttOutput::~MqttOutput() { stop(); }

// A live call goes to the last call too; a call from the terminal's memory only when it is
// newer than the one the last call holds, which would otherwise be replaced by an older one.
void MqttOutput::deliver(const Call& call) {
    const std::optional<std::time_t> moment =
        call.time ? momentOfTimeText(*call.time) : std::nullopt;
    const bool newer = moment && (!lastCallMoment_ || *moment > *lastCallMoment_);
    if (newer) lastCallMoment_ = moment;
    const bool toLastCall = newer || call.source == CallSource::Report;
    {
        const std::lock_guard lock(mutex_);
        inbox_.push_back(
            {Pending{call.id, topics_.call(call),
                     toLastCall ? std::optional(topics_.lastCall(call)) : std::nullopt},
             {}});
    }
    wake().wake();
}

void MqttOutput::lineStatus(const LineStatus& status) {
    {
        const std::lock_guard lock(mutex_);
        inbox_.push_back({std::nullopt, status});
    }
    wake().wake();
}

std::shared_ptr<MqttClient> MqttOutput::connect() {
    auto client = std::make_shared<MqttClient>("velko-" + settings_.line);
    mosquitto* raw = client->get();
    const MqttMessage will = topics_.offline();
    client->check(mosquitto_will_set(raw, will.topic.c_str(), static_cast<int>(will.payload.size()),
                                     will.payload.data(), 1, true));
    if (!settings_.user.empty()) {
        client->check(
            mosquitto_username_pw_set(raw, settings_.user.c_str(), settings_.password.c_str()));
    }
    if (!settings_.caFile.empty()) {
        client->check(
            mosquitto_tls_set(raw, settings_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr));
    }
    client->check(mosquitto_int_option(raw, MOSQ_OPT_SEND_MAXIMUM, kLibraryInFlight));
    MqttClient::connect(client, settings_.host, settings_.port, wake());
    return client;
}

// Runs the client on this thread: a wait on its socket and the wake-up, the client's reads
// and writes as they become possible, and its keep-alive once a second.
void MqttOutput::serve() {
    client_ = connect();
    mosquitto* client = client_->get();
    std::optional<Clock::time_point> stopBy;
    for (;;) {
        if (stopping() && !stopBy) {
            if (!up()) return;
            stopBy = Clock::now() + kOfflineWait;
            offlineId_ = publish(topics_.offline());
        }
        if (stopBy && (!offlineId_ || Clock::now() >= *stopBy)) return finish();
        takeInbox();
        const int socket = mosquitto_socket(client);
        if (socket < 0) throw ConnectionError("the connection closed");
        const SocketWatch ready = wake().wait(
            {static_cast<TcpSocket::Handle>(socket), true, mosquitto_want_write(client)},
            Clock::now() + (stopBy ? 50ms : 1000ms));
        if (ready.readable) {
            const int result = mosquitto_loop_read(client, 1);
            // A refused connection tells why through the callback only.
            if (auto refusal = client_->takeRefusal()) throw ConnectionError(*refusal);
            client_->check(result);
            if (client_->takeOpened()) opened();
            takeAcknowledgements();
        }
        if (ready.writable) client_->check(mosquitto_loop_write(client, 1));
        client_->check(mosquitto_loop_misc(client));
    }
}

void MqttOutput::connectionEnded() {
    client_.reset();
    inFlight_.clear();
    nextToPublish_ = 0;
    published_.reset();
    offlineId_.reset();
}

void MqttOutput::finish() {
    mosquitto_disconnect(client_->get());
    mosquitto_loop_write(client_->get(), 1);
}

void MqttOutput::opened() {
    connectionUp();
    if (settings_.discovery) {
        for (const MqttMessage& message : topics_.discovery(settings_.version)) publish(message);
    }
    publishStatus();
    publishPending();
}

// Acknowledgements of other messages (the retained ones) find no call, at the same cost.
void MqttOutput::takeAcknowledgements() {
    const std::vector<int> acknowledged = client_->takeAcknowledged();
    for (const int messageId : acknowledged) {
        if (offlineId_ == messageId) offlineId_.reset();
        const auto found = inFlight_.find(messageId);
        if (found == inFlight_.end()) continue;
        const auto call = pending_.find(found->second);
        reportDelivered(call->second.callId);
        pending_.erase(call);
        inFlight_.erase(found);
    }
    if (!acknowledged.empty() && up()) publishPending();
}

void MqttOutput::takeInbox() {
    std::deque<Handed> arrived;
    {
        const std::lock_guard lock(mutex_);
        arrived.swap(inbox_);
    }
    for (Handed& handed : arrived) {
        if (handed.call) {
            pending_.emplace(handedOver_++, std::move(*handed.call));
        } else {
            status_ = handed.status;
        }
        if (!up()) continue;
        if (handed.call) {
            publishPending();
        } else {
            publishStatus();
        }
    }
}

// The calls not yet published on this connection, oldest first, while the window has room.
void MqttOutput::publishPending() {
    for (auto next = pending_.lower_bound(nextToPublish_);
         next != pending_.end() && inFlight_.size() < kWindow; ++next) {
        inFlight_.emplace(publish(next->second.call), next->first);
        if (next->second.lastCall) publish(*next->second.lastCall);
        nextToPublish_ = next->first + 1;
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
    client_->check(mosquitto_publish(client_->get(), &messageId, message.topic.c_str(),
                                     static_cast<int>(message.payload.size()),
                                     message.payload.data(), 1, message.retained));
    return messageId;
}

}  // namespace velko::gateway
