// ack_floor_bench --device N=PATH ROUNDS: the floor under the acknowledgement path of
// ack_path_bench, with the same protocol and stamps: the same hand-overs (a thread that waits on
// the device with a one-byte read and reads what is queued behind it, a message to the thread
// that waits for the acknowledgement, a write), made with the fewest system calls and none of
// the control's code. What ack_path_bench takes beyond this is the control's own.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr UINT kArrived = WM_APP;
constexpr DWORD kMaxBytesPerRead = 4096;

int64_t counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Waits for an overlapped transfer; false when it failed.
bool transfer(HANDLE device, BOOL started, OVERLAPPED& overlapped, DWORD& count) {
    return started || (GetLastError() == ERROR_IO_PENDING &&
                       GetOverlappedResult(device, &overlapped, &count, TRUE));
}

struct Line {
    HANDLE device;
    DWORD waitingThread;
    std::atomic<int64_t> read{0};
    SRWLOCK lock = SRWLOCK_INIT;
    std::string received;
};

DWORD WINAPI readerMain(LPVOID shared) {
    Line& line = *static_cast<Line*>(shared);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::string bytes(kMaxBytesPerRead + 1, '\0');
    for (;;) {
        DWORD first = 0;
        if (!transfer(line.device, ReadFile(line.device, bytes.data(), 1, &first, &overlapped),
                      overlapped, first)) {
            return 1;
        }
        DWORD errors = 0;
        COMSTAT status{};
        DWORD rest = 0;
        if (!ClearCommError(line.device, &errors, &status)) return 1;
        if (status.cbInQue > 0 &&
            !transfer(line.device,
                      ReadFile(line.device, bytes.data() + first,
                               std::min(status.cbInQue, kMaxBytesPerRead), &rest, &overlapped),
                      overlapped, rest)) {
            return 1;
        }
        int64_t none = 0;
        line.read.compare_exchange_strong(none, counter());
        AcquireSRWLockExclusive(&line.lock);
        line.received.append(bytes.data(), first + rest);
        ReleaseSRWLockExclusive(&line.lock);
        PostThreadMessageW(line.waitingThread, kArrived, 0, 0);
    }
}

bool write(Line& line, OVERLAPPED& overlapped, const std::string& bytes) {
    DWORD written = 0;
    return transfer(line.device,
                    WriteFile(line.device, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              &overlapped),
                    overlapped, written) &&
           written == bytes.size();
}

// Blocks until the reader's message says an acknowledgement has arrived; the moment the first
// message of the round was taken.
int64_t waitForAck(Line& line) {
    int64_t dispatched = 0;
    for (;;) {
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != kArrived) continue;
            if (dispatched == 0) dispatched = counter();
            AcquireSRWLockExclusive(&line.lock);
            const bool acknowledged = line.received.find("ACK") != std::string::npos;
            if (acknowledged) line.received.clear();
            ReleaseSRWLockExclusive(&line.lock);
            if (acknowledged) return dispatched;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "--device") {
        std::fputs("usage: ack_floor_bench --device N=PATH ROUNDS\n", stderr);
        return 2;
    }
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(std::atoi(argv[2]));
    Line line;
    line.device = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    COMMTIMEOUTS timeouts{};
    if (line.device == INVALID_HANDLE_VALUE || !SetCommTimeouts(line.device, &timeouts)) {
        std::fprintf(stderr, "ack_floor_bench: %ls cannot be opened\n", name.c_str());
        return 1;
    }
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // gives the thread its message queue
    line.waitingThread = GetCurrentThreadId();
    CloseHandle(CreateThread(nullptr, 0, &readerMain, &line, 0, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (int round = std::atoi(argv[3]); round > 0; --round) {
        line.read = 0;
        if (!write(line, overlapped, "[")) return 1;
        const int64_t dispatched = waitForAck(line);
        const int64_t resumed = counter();
        if (!write(line, overlapped,
                   std::to_string(line.read) + " " + std::to_string(dispatched) + " " +
                       std::to_string(resumed) + "]")) {
            return 1;
        }
    }
    return 0;
}
