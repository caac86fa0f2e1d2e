#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <memory>

#include "sim/pty_runner.h"
#include "tools/posix/commands.h"

namespace velko::tools {

namespace {

struct SimOptions {
    bool json = false;
    std::string start;
    int ackDelayMs = 0;
    bool noAck = false;
    std::size_t memory = sim::TerminalOptions{}.callMemory;
};

std::atomic<sim::PtyRunner*> running{nullptr};

void stopRunner(int) {
    if (sim::PtyRunner* runner = running.load()) runner->stop();
}

// "YYYY-MM-DD HH:MM", a date that exists and a time of day; nothing for the host's clock.
std::optional<std::chrono::sys_seconds> startTime(const std::string& text) {
    if (text.empty()) return std::nullopt;
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d-%u-%u %u:%u%c", &year, &month, &day, &hour, &minute, &end) !=
        5) {
        throw CLI::ValidationError("--start", "expected YYYY-MM-DD HH:MM");
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                              std::chrono::day{day}};
    if (year < 1 || year > 9999 || !date.ok()) {
        throw CLI::ValidationError("--start", "no such date: " + text);
    }
    if (hour >= 24 || minute >= 60) throw CLI::ValidationError("--start", "no such time: " + text);
    return sys_days{date} + hours{hour} + minutes{minute};
}

int simulate(const SimOptions& options) {
    sim::RunnerOptions runnerOptions;
    runnerOptions.json = options.json;
    runnerOptions.terminal.start = startTime(options.start).value_or(sim::localWallTime());
    if (options.noAck) {
        runnerOptions.terminal.ackDelay = std::nullopt;
    } else {
        runnerOptions.terminal.ackDelay = std::chrono::milliseconds(options.ackDelayMs);
    }
    runnerOptions.terminal.callMemory = options.memory;
    sim::PtyRunner runner(std::cout, runnerOptions);
    std::cout << runner.path() << std::endl;
    running = &runner;
    struct sigaction action {};
    action.sa_handler = stopRunner;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    runner.serve(STDIN_FILENO);
    running = nullptr;
    return 0;
}

}  // namespace

void addSimCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<SimOptions>();
    CLI::App* command = app.add_subcommand(
        "sim",
        "Serve the terminal simulator on a pseudo-terminal; prints its path, then a log of the "
        "line, and plays scenario lines from standard input");
    command->add_flag("--json", options->json, "Log as JSON lines");
    command->add_option("--start", options->start,
                        "The terminal's clock at start, \"YYYY-MM-DD HH:MM\" (default: now)");
    CLI::Option* ackDelay =
        command
            ->add_option("--ack-delay", options->ackDelayMs,
                         "Answer \"[\" with ACK after MS milliseconds")
            ->type_name("MS")
            ->check(CLI::Validator(
                [](std::string& text) {
                    return text.starts_with('-') ? "must be 0 or more milliseconds" : std::string();
                },
                ""));
    command->add_flag("--no-ack", options->noAck, "Never answer \"[\"");
    command
        ->add_option("--memory", options->memory,
                     "How many calls the call memory holds (default " +
                         std::to_string(options->memory) + ")")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    command->callback([options, ackDelay, &status] {
        if (options->noAck && ackDelay->count() > 0) {
            throw CLI::ValidationError("--no-ack", "does not go with --ack-delay");
        }
        status = simulate(*options);
    });
}

}  // namespace velko::tools
