#include <iostream>
#include <memory>

#include "gateway/calls/call_time.h"
#include "gateway/log/call_log_path.h"
#include "gateway/log/call_search.h"
#include "gateway/log/log_backup.h"
#include "gateway/log/log_listing.h"
#include "tools/posix/commands.h"

namespace velko::tools {

namespace {

struct LogOptions {
    std::string callsPath;
    std::string since;
    std::string backup;
    gateway::CallQuery filter;
    bool json = false;
    bool csv = false;
};

int listLog(LogOptions& options) {
    if (options.callsPath.empty()) options.callsPath = gateway::defaultCallLogPath();
    if (!options.since.empty()) {
        const auto start = gateway::localDayStart(options.since);
        options.filter.receivedSince = gateway::utcTimeText(*start);
    }
    try {
        if (!options.backup.empty()) {
            gateway::backUpCallLog(options.callsPath, options.backup);
            return 0;
        }
        const auto calls = gateway::listCalls(options.callsPath, options.filter);
        const auto format = options.json  ? gateway::ListingFormat::JsonLines
                            : options.csv ? gateway::ListingFormat::Csv
                                          : gateway::ListingFormat::Table;
        gateway::printCalls(std::cout, calls, format);
    } catch (const gateway::DatabaseError& error) {
        std::cerr << "velko log: " << error.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

void addLogCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<LogOptions>();
    CLI::App* command = app.add_subcommand("log", "List the logged calls, newest first");
    command->add_option("--calls", options->callsPath,
                        "The call log (default $STATE_DIRECTORY/calls.db, else "
                        "~/.local/state/velko/calls.db)");
    command->add_option("--since", options->since, "Only calls received on or after this local day")
        ->type_name("YYYY-MM-DD")
        ->check(CLI::Validator(
            [](std::string& text) {
                return gateway::localDayStart(text) ? "" : "expected an existing day YYYY-MM-DD";
            },
            ""));
    command->add_option("--number", options->filter.numberPart,
                        "Only calls whose number contains TEXT");
    command->add_option("--limit", options->filter.limit, "At most N calls")
        ->check(CLI::NonNegativeNumber);
    CLI::Option* json = command->add_flag("--json", options->json, "One JSON object per line");
    CLI::Option* csv =
        command->add_flag("--csv", options->csv, "Comma-separated values with a header line")
            ->excludes(json);
    command
        ->add_option("--backup", options->backup,
                     "Instead of listing, copy the whole log into FILE, also while a gateway "
                     "writes to it")
        ->type_name("FILE")
        ->excludes(json, csv);
    command->callback([options, &status] { status = listLog(*options); });
}

}  // namespace velko::tools
