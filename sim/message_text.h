#pragma once

#include <string>
#include <vector>

#include "sim/records.h"

namespace velko::sim {

// What the terminal sends the PC: a header line ("Report" or "Response"), the body lines and the
// line "End", every line closed by CR LF.
std::string reportMessage(const std::vector<std::string>& body);
std::string responseMessage(const std::vector<std::string>& body);

// The five titled lines of a call: Time: (MMDDhhmm), Number:, Name:, Group:, Type:.
std::vector<std::string> recordLines(const CallRecord& record);

}  // namespace velko::sim
