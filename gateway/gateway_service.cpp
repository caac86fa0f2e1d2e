#include "gateway/gateway_service.h"

#include <iostream>
#include <memory>
#include <system_error>
#include <vector>

#include "control_class/velko_foxpro.h"
#include "gateway/gateway.h"
#include "gateway/log/call_log.h"
#include "gateway/log/log_retention.h"
#include "gateway/system/allocator.h"
#include "gateway/system/private_files.h"
#include "gateway/system/service_notifier.h"
#include "gateway/terminal/memory_reader.h"
#include "gateway/terminal/terminal_clock.h"
#include "gateway/terminal/terminal_reader.h"
#include "gateway/terminal/terminal_session.h"

namespace velko::gateway {

namespace {

// The action a stop request runs refers to the parts of the run: it goes before they do.
struct StopActionCleared {
    const StopRequests& stop;
    ~StopActionCleared() { stop.setOnRequest(nullptr); }
};

}  // namespace

int runGateway(Platform& platform, LoopAccess& loop, const GatewayOptions& options,
               const StopRequests& stop) {
    // The board answers on threads of its own, up to one for each of 80 event streams, and the
    // allocator would give many of them a heap of their own that keeps what they freed: with
    // two heaps the gateway stays at 50 to 60 MB under random requests that leave 80 streams open,
    // where it grows past 100 MB without (bench/board_fuzz.py).
    if (options.board) limitAllocatorHeaps(2);
    ReportPrinter report(std::cout, options.json);
    try {
        createPrivateFile(options.callsPath);
    } catch (const std::system_error& error) {
        throw DatabaseError(options.callsPath, error.code().message());
    }
    CallLog log(options.callsPath, options.powerSafe ? CallLog::Durability::PowerSafe
                                                     : CallLog::Durability::ProcessSafe);
    ServiceNotifier service(loop);
    Gateway gateway(
        log, loop, report,
        {options.line, options.ringingTime,
         [&service](const std::string& text) { service.status(text); }, options.keepDays});
    std::vector<std::unique_ptr<Output>> outputs;
    if (options.ncid) outputs.push_back(std::make_unique<NcidOutput>(*options.ncid, loop, gateway));
    if (options.mqtt) {
        MqttSettings mqtt = *options.mqtt;
        mqtt.lastCallTime = log.newestCallTime(options.line);
        outputs.push_back(std::make_unique<MqttOutput>(std::move(mqtt), loop, gateway));
    }
    for (const auto& output : outputs) gateway.addOutput(*output);
    BoardFeed boardFeed(options.line, gateway.outputNames());
    gateway.addWatcher(boardFeed);
    // The board's threads tell what went wrong through the loop, whose thread prints.
    BoardReport boardReport([&loop, &report](BoardNotice notice) {
        loop.post([&report, notice = std::move(notice)] { report.board(notice); });
    });
    std::unique_ptr<BoardServer> board;
    if (options.board) {
        board = std::make_unique<BoardServer>(*options.board, options.callsPath, boardFeed,
                                              boardReport);
        report.listening("board", board->url());
    }
    gateway.start();
    std::optional<LogRetention> retention;
    if (options.keepDays) {
        retention.emplace(
            options.callsPath, *options.keepDays, loop,
            LogRetention::Handlers{
                [&report, days = options.keepDays->count()](const PrunedRows& pruned) {
                    report.pruned(pruned.calls, pruned.hookChanges, days);
                },
                [&report](const std::string& reason) { report.failure("log pruning", reason); }});
    }

    velko_foxpro control(platform);
    std::optional<MemoryReader> memory;
    if (options.backfillEvery) {
        memory.emplace(control, loop, *options.backfillEvery,
                       MemoryReader::Handlers{[&gateway](const CidList& list, int count) {
                                                  gateway.storedCallsListed(list, count);
                                              },
                                              [&gateway](const std::string& reason) {
                                                  gateway.backfillFailed(reason);
                                              }});
    }
    std::optional<TerminalClockSetter> clock;
    if (options.setClock) {
        clock.emplace(control, loop,
                      [&report](bool set, const std::string& date, const std::string& time) {
                          report.clockSet(set, date, time);
                      });
    }
    TerminalReader reader({[&gateway](const CallReport& report) { gateway.callReported(report); },
                           [&gateway](bool offHook) { gateway.hookChanged(offHook); },
                           [&memory](int16_t count, int16_t kind, const CidList& list) {
                               if (memory) memory->gathered(count, kind, list);
                           }});
    control.events().advise(reader);
    TerminalSession terminal(control, loop, options.port,
                             [&](bool connected, const std::string& reason) {
                                 gateway.terminalChanged(connected, reason);
                                 const auto follow = [connected](auto& part) {
                                     if (!part) return;
                                     if (connected) {
                                         part->connected();
                                     } else {
                                         part->disconnected();
                                     }
                                 };
                                 follow(memory);
                                 follow(clock);
                             });
    // As velko shell does: closing the port ends a SendCmd that waits for the terminal's
    // acknowledgement at once (it returns False), and the readers, told first, let go of the
    // answers they wait for and tell nothing of a command the stop ended.
    stop.setOnRequest([&] {
        if (memory) memory->disconnected();
        if (clock) clock->disconnected();
        terminal.stop();
    });
    const StopActionCleared cleared{stop};
    terminal.start();
    service.ready();
    runUntil(platform.messageLoop(), stop.requested, MessageLoop::Clock::time_point::max());

    service.stopping();
    memory.reset();
    clock.reset();
    terminal.stop();
    for (const auto& output : outputs) output->stop();
    // Acknowledgements the outputs handed over before they stopped go into the log.
    platform.messageLoop().runPending();
    return gateway.finish() ? 0 : 1;
}

}  // namespace velko::gateway
