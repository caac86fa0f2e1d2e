#include "gateway/posix/gateway_service.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include "control_class/velko_foxpro.h"
#include "gateway/call_log.h"
#include "gateway/gateway.h"
#include "gateway/posix/poll_loop_access.h"
#include "gateway/posix/service_notifier.h"
#include "gateway/terminal_reader.h"
#include "gateway/terminal_session.h"

namespace velko::gateway {

int runGateway(posix::PosixPlatform& platform, const GatewayOptions& options,
               const std::function<bool()>& stopRequested) {
    ReportPrinter report(std::cout, options.json);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(options.callsPath).parent_path(),
                                        ignored);
    CallLog log(options.callsPath, options.powerSafe ? CallLog::Durability::PowerSafe
                                                     : CallLog::Durability::ProcessSafe);
    PollLoopAccess loop(platform.loop());
    Gateway gateway(log, loop, report, {options.line, options.ringingTime});
    std::vector<std::unique_ptr<Output>> outputs;
    if (options.ncid) outputs.push_back(std::make_unique<NcidOutput>(*options.ncid, loop, gateway));
    if (options.mqtt) outputs.push_back(std::make_unique<MqttOutput>(*options.mqtt, loop, gateway));
    std::vector<std::string> outputNames;
    for (const auto& output : outputs) {
        gateway.addOutput(*output);
        outputNames.emplace_back(output->name());
    }
    BoardFeed boardFeed(outputNames);
    gateway.addWatcher(boardFeed);
    std::unique_ptr<BoardServer> board;
    if (options.board) {
        board = std::make_unique<BoardServer>(*options.board, options.callsPath, boardFeed);
        report.listening("board", board->url());
    }
    gateway.start();

    velko_foxpro control(platform);
    TerminalReader reader(
        {[&gateway](int16_t state, const CID_INFO& call) { gateway.callReported(state, call); },
         [&gateway](bool offHook) { gateway.hookChanged(offHook); }});
    control.events().advise(reader);
    TerminalSession terminal(control, loop, options.port,
                             [&gateway](bool connected, const std::string& reason) {
                                 gateway.terminalChanged(connected, reason);
                             });
    ServiceNotifier service(loop);
    terminal.start();
    service.ready();
    runUntil(platform.loop(), stopRequested, MessageLoop::Clock::time_point::max());

    service.stopping();
    terminal.stop();
    for (const auto& output : outputs) output->stop();
    // Acknowledgements the outputs handed over before they stopped go into the log.
    platform.loop().runPending();
    return 0;
}

}  // namespace velko::gateway
