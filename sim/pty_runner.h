#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "sim/pty_pair.h"
#include "sim/run_log.h"
#include "sim/terminal_model.h"

namespace velko::sim {

struct RunnerOptions {
    TerminalOptions terminal{};
    bool json = false;  // JSON lines instead of readable lines in the log
};

// The terminal model served on a pseudo-terminal: the PC opens path() as its serial port.
//
//     PtyRunner runner(std::cout, {.terminal = {.start = localWallTime()}});
//     std::cerr << runner.path() << '\n';
//     runner.serve(STDIN_FILENO);
//
// serve() reads what the PC writes and feeds it to the model, writes the model's output at its
// times, and reads scenario lines (scenario.h) from scenarioFd, logging every step (run_log.h).
// It blocks in poll() between events. It returns after "quit" or the end of the scenario input,
// once everything scheduled has gone out, or at once after stop(). With scenarioFd -1 there is
// no scenario input and only stop() ends it.
class PtyRunner {
  public:
    PtyRunner(std::ostream& log, RunnerOptions options);  // throws std::system_error
    ~PtyRunner();
    PtyRunner(const PtyRunner&) = delete;
    PtyRunner& operator=(const PtyRunner&) = delete;

    const std::string& path() const { return pty_.slavePath(); }
    void serve(int scenarioFd);
    // Makes serve() return. Safe from a signal handler or another thread.
    void stop();

  private:
    struct Scenario;

    void readFromPc(Clock::time_point now);
    void runScenario(Scenario& scenario, Clock::time_point now);
    void sendDue(Clock::time_point now);
    int pollTimeout(const Scenario& scenario, Clock::time_point now) const;

    PtyPair pty_;
    int stopPipe_[2] = {-1, -1};
    TerminalModel model_;
    RunLog log_;
    std::string unsent_;
};

// The host's local date and time, for a terminal whose clock starts at the host's.
std::chrono::sys_seconds localWallTime();

}  // namespace velko::sim
