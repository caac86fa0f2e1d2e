#pragma once

#include <oaidl.h>

#include "tests/win/support/control_client.h"
#include "tests/win/support/terminal_line.h"

namespace velko::wintest {

// A control on its open port, with a recorder advised, and the terminal's end of the line.
class ControlOnLine {
  public:
    ControlOnLine();
    ControlOnLine(const ControlOnLine&) = delete;
    ControlOnLine& operator=(const ControlOnLine&) = delete;
    ~ControlOnLine();

    IDispatch& control() { return *control_.get(); }
    EventRecorder& recorder() { return sink_.recorder(); }
    TerminalLine& terminal() { return terminal_; }

    // The terminal sends a message; waits for the event it must raise (the test stops without
    // it) and returns its first recording.
    RecordedEvent receive(const std::wstring& message, const char* eventName);

  private:
    ComRef<IDispatch> control_;
    AdvisedRecorder sink_;
    TerminalLine terminal_;
};

}  // namespace velko::wintest
