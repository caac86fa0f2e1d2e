#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "gateway/calls/call_json.h"
#include "gateway/log/call_log.h"

namespace velko::gateway {

// The forms velko log prints the logged calls in (docs/call-log.md), in the order given.
enum class ListingFormat { Table, JsonLines, Csv };

void printCalls(std::ostream& out, const std::vector<LoggedCall>& calls, ListingFormat format);

// The parts of those forms, for listings written otherwise (the board's API): a call's JSON form
// with its deliveries; the CSV form's header and rows.
nlohmann::ordered_json loggedCallJson(const LoggedCall& logged);
void printCsvHeader(std::ostream& out);
void printCsvRows(std::ostream& out, const std::vector<LoggedCall>& calls);

}  // namespace velko::gateway
