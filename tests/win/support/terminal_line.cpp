#include "tests/win/support/terminal_line.h"

#include <algorithm>
#include <string>

#include "tests/win/support/check.h"

namespace velko::wintest {

namespace {

constexpr UINT kTerminalCodePage = 949;

std::string encoded(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        WideCharToMultiByte(kTerminalCodePage, 0, text.data(), static_cast<int>(text.size()),
                            nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(kTerminalCodePage, 0, text.data(), static_cast<int>(text.size()),
                        bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::wstring decoded(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = MultiByteToWideChar(kTerminalCodePage, 0, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(kTerminalCodePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                        text.data(), size);
    return text;
}

}  // namespace

TerminalLine::TerminalLine(const wchar_t* port)
    : handle_(CreateFileW((std::wstring(L"\\\\.\\") + port).c_str(), GENERIC_READ | GENERIC_WRITE,
                          0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    REQUIRE(handle_ != INVALID_HANDLE_VALUE);
    DCB line{};
    line.DCBlength = sizeof line;
    REQUIRE(GetCommState(handle_, &line));
    line.BaudRate = CBR_9600;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    REQUIRE(SetCommState(handle_, &line));
    // A read returns once 20 ms pass without a further byte after the first one.
    COMMTIMEOUTS timeouts{20, 0, 0, 0, 0};
    REQUIRE(SetCommTimeouts(handle_, &timeouts));
    REQUIRE(PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR));
}

TerminalLine::~TerminalLine() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

void TerminalLine::write(const std::wstring& text) { writeBytes(encoded(text)); }

std::wstring TerminalLine::read(size_t characters, DWORD limitMilliseconds) {
    std::string bytes;
    const ULONGLONG deadline = GetTickCount64() + limitMilliseconds;
    while (decoded(bytes).size() < characters && readMore(bytes, 256, deadline)) {
    }
    return decoded(bytes);
}

void TerminalLine::writeBytes(std::string_view bytes) {
    DWORD written = 0;
    REQUIRE(WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    REQUIRE(written == bytes.size());
}

std::string TerminalLine::readBytes(size_t count, DWORD limitMilliseconds) {
    std::string bytes;
    const ULONGLONG deadline = GetTickCount64() + limitMilliseconds;
    while (bytes.size() < count && readMore(bytes, count - bytes.size(), deadline)) {
    }
    return bytes;
}

bool TerminalLine::readMore(std::string& bytes, size_t most, ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    COMMTIMEOUTS timeouts{20, 0, static_cast<DWORD>(deadline - now), 0, 0};
    SetCommTimeouts(handle_, &timeouts);
    char buffer[256];
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(most, sizeof buffer));
    if (!ReadFile(handle_, buffer, wanted, &count, nullptr)) return false;
    bytes.append(buffer, count);
    return true;
}

}  // namespace velko::wintest
