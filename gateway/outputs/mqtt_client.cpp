#include "gateway/outputs/mqtt_client.h"

#include <mosquitto.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "gateway/system/abandonable_work.h"
#include "gateway/system/connection_error.h"

namespace velko::gateway {

namespace {

constexpr int kKeepAliveSeconds = 30;

std::string describe(int result) {
    if (result == MOSQ_ERR_ERRNO) return std::system_category().message(errno);
    return mosquitto_strerror(result);
}

struct LibraryUse {
    LibraryUse() { mosquitto_lib_init(); }
};

}  // namespace

MqttClient::MqttClient(const std::string& clientId) {
    static const LibraryUse library;
    client_ = mosquitto_new(clientId.c_str(), true, this);
    if (client_ == nullptr) throw ConnectionError("out of memory");
    mosquitto_connect_callback_set(client_, [](mosquitto*, void* self, int result) {
        auto& client = *static_cast<MqttClient*>(self);
        if (result == 0) {
            client.opened_ = true;
        } else {
            client.refusal_ = mosquitto_connack_string(result);
        }
    });
    mosquitto_publish_callback_set(client_, [](mosquitto*, void* self, int messageId) {
        static_cast<MqttClient*>(self)->acknowledged_.push_back(messageId);
    });
    mosquitto_log_callback_set(client_, [](mosquitto*, void* self, int level, const char* text) {
        if (level == MOSQ_LOG_ERR) static_cast<MqttClient*>(self)->libraryError_ = text;
    });
}

MqttClient::~MqttClient() { mosquitto_destroy(client_); }

void MqttClient::check(int result) const {
    if (result == MOSQ_ERR_SUCCESS) return;
    if (result == MOSQ_ERR_TLS && !libraryError_.empty()) {
        throw ConnectionError(describe(result) + " " + libraryError_);
    }
    throw ConnectionError(describe(result));
}

// The library looks the broker's name up inside its connect, blocking and deaf to a stop, and
// with TLS checks the certificate against the name it was given, so the name cannot be looked
// up beforehand and handed over as an address. The connect runs instead on a thread that a stop
// leaves behind; that thread shares the client, and destroys it when it is the last to let go.
void MqttClient::connect(const std::shared_ptr<MqttClient>& client, const std::string& host,
                         uint16_t port, const Wakeup& wake) {
    auto result = std::make_shared<int>(MOSQ_ERR_SUCCESS);
    runUnlessStopped(
        [client, host, port, result] {
            *result = mosquitto_connect_async(client->get(), host.c_str(), port, kKeepAliveSeconds);
        },
        wake);
    client->check(*result);
}

bool MqttClient::takeOpened() { return std::exchange(opened_, false); }

std::optional<std::string> MqttClient::takeRefusal() {
    return std::exchange(refusal_, std::nullopt);
}

std::vector<int> MqttClient::takeAcknowledged() { return std::exchange(acknowledged_, {}); }

}  // namespace velko::gateway
