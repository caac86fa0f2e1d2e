#include "tests/win/runtime_support.h"

namespace velko::wintest {

bool runUntil(MessageLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        loop.runPending();
        if (done()) return true;
        if (Clock::now() >= deadline) return false;
        loop.waitForActivity(deadline);
    }
}

void runFor(MessageLoop& loop, std::chrono::milliseconds duration) {
    runUntil(
        loop, [] { return false; }, duration);
}

PeerPort::PeerPort() {
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(kPeerPort);
    handle_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) stop(__FILE__, __LINE__, "the peer port does not open");
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle_, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    SetCommState(handle_, &dcb);
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

PeerPort::~PeerPort() { CloseHandle(handle_); }

void PeerPort::write(std::string_view bytes) {
    DWORD written = 0;
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CHECK_EQ(written, bytes.size());
}

std::string PeerPort::read(size_t count, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    std::string bytes;
    while (bytes.size() < count) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        COMMTIMEOUTS timeouts{0, 0, static_cast<DWORD>(left.count()), 0, 0};
        SetCommTimeouts(handle_, &timeouts);
        std::string chunk(count - bytes.size(), '\0');
        DWORD got = 0;
        if (!ReadFile(handle_, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
            break;
        }
        bytes.append(chunk, 0, got);
    }
    return bytes;
}

int32_t errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

}  // namespace velko::wintest
