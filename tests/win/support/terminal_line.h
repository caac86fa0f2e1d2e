#pragma once

#include <windows.h>

#include <string>

namespace velko::wintest {

// The terminal's end of the serial line: a COM port joined to the control's port like a
// null-modem cable, written and read by the test in the terminal's code page 949.
class TerminalLine {
  public:
    explicit TerminalLine(const wchar_t* port);
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;
    ~TerminalLine();

    void write(const std::wstring& text);
    // What arrives within the limit, up to the given number of characters.
    std::wstring read(size_t characters, DWORD limitMilliseconds);

  private:
    HANDLE handle_;
};

}  // namespace velko::wintest
