#pragma once

#include "sim/scenario.h"
#include "sim/terminal_model.h"

namespace velko::sim {

// Does what a scenario line asks of the terminal. Waiting and quitting are the runner's business
// and do nothing here.
void play(const ScenarioAction& action, TerminalModel& model, Clock::time_point now);

}  // namespace velko::sim
