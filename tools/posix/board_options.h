#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "gateway/board/board_server.h"

namespace velko::tools {

// The options of velko gateway for the board, as given.
struct BoardOptions {
    std::string http;  // [ADDR:]PORT
    std::string passwordFile;
    std::string certFile;
    std::string keyFile;
    bool insecure = false;
};

void addBoardOptions(CLI::App& command, BoardOptions& options);

// The board's settings, or nothing without --http. Refuses, with CLI::ValidationError saying
// why, a board that would listen beyond this machine without a password, or without TLS unless
// --http-insecure asks for plain HTTP.
std::optional<gateway::BoardSettings> boardSettings(const BoardOptions& options);

}  // namespace velko::tools
