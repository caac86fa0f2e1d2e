#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace velko::wintest {

// The runner joins two ports like a null-modem cable: the control's (or the serial
// component's) and the terminal's end, which the tests write and read.
inline constexpr int16_t kControlPortNumber = 7;
inline constexpr const wchar_t* kControlPort = L"COM7";
inline constexpr const wchar_t* kTerminalPort = L"COM8";

// The terminal's end of the serial line: a COM port joined to the control's port like a
// null-modem cable, written and read by the test in the terminal's code page 949 or as bytes.
// Whatever waited on the line before it opened is discarded.
class TerminalLine {
  public:
    explicit TerminalLine(const wchar_t* port = kTerminalPort);
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;
    ~TerminalLine();

    void write(const std::wstring& text);
    // What arrives within the limit, up to the given number of characters.
    std::wstring read(size_t characters, DWORD limitMilliseconds);

    void writeBytes(std::string_view bytes);
    // What arrives within the limit, up to the given number of bytes.
    std::string readBytes(size_t count, DWORD limitMilliseconds);

  private:
    // Appends what one read brings, at most the given number of bytes; false once the deadline
    // has passed or the read fails.
    bool readMore(std::string& bytes, size_t most, ULONGLONG deadline);

    HANDLE handle_;
};

}  // namespace velko::wintest
