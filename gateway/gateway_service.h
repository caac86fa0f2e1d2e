#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "gateway/board/board_server.h"
#include "gateway/outputs/mqtt_output.h"
#include "gateway/outputs/ncid_output.h"
#include "gateway/system/loop_access.h"
#include "link/platform.h"

namespace velko::gateway {

// What velko gateway is asked to do (README, "velko gateway").
struct GatewayOptions {
    std::string port = "COM1";
    std::string line = "velko";
    std::string callsPath;
    bool powerSafe = false;
    bool json = false;
    std::chrono::milliseconds ringingTime{30000};
    std::optional<std::chrono::days> keepDays;  // none: the log keeps every call
    std::optional<NcidSettings> ncid;
    std::optional<MqttSettings> mqtt;
    std::optional<BoardSettings> board;
    // How often the terminal's memory is read back into the log; none: never, and nothing is
    // sent to the terminal.
    std::optional<std::chrono::minutes> backfillEvery = std::chrono::minutes(60);
    // Set the terminal's clock at each connection and daily.
    bool setClock = false;
};

// Requests to stop the gateway (SIGTERM, Ctrl-C), which the platform delivers through the loop,
// also while the control waits inside SendCmd for the terminal.
struct StopRequests {
    std::function<bool()> requested;
    // Sets the action that runs from the loop the moment a request arrives (nullptr: none).
    std::function<void(std::function<void()>)> setOnRequest;
};

// Runs the gateway on the platform's thread until a stop is requested: the control reads the
// terminal on the port, every call is logged and delivered to the outputs, and what happens is
// printed on standard output. loop is the access to the platform's message loop. A request
// closes the port at once, so that a command waiting for the terminal ends then, not done and
// not told. Tells a service manager when it is ready and when it stops. Returns the process's
// exit status.
int runGateway(Platform& platform, LoopAccess& loop, const GatewayOptions& options,
               const StopRequests& stop);

}  // namespace velko::gateway
