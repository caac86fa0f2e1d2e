#include "tests/win/support/control_on_line.h"

#include <string>

#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/message_pump.h"

namespace velko::wintest {

ControlOnLine::ControlOnLine() : control_(createControl()), sink_(*control_.get()) {
    openPort(*control_.get(), kControlPort);
}

ControlOnLine::~ControlOnLine() { closePort(*control_.get()); }

RecordedEvent ControlOnLine::receive(const std::wstring& message, const char* eventName) {
    terminal_.write(message);
    const DISPID wanted = event(eventName);
    const bool raised =
        pumpUntil([&] { return !recorder().named(wanted).empty(); }, kEventLimitMilliseconds);
    if (!raised) stop(__FILE__, __LINE__, std::string("no ") + eventName + " event");
    return recorder().named(wanted).front();
}

}  // namespace velko::wintest
