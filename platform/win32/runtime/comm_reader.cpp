#include "platform/win32/runtime/comm_reader.h"

#include <algorithm>
#include <string>

#include "platform/win32/runtime/out_of_memory.h"

namespace velko::win32 {

namespace {

constexpr DWORD kMaxBytesPerRead = 4096;

// Keeps the error code for the reader's failure().
void report(const wchar_t* what) {
    const DWORD error = GetLastError();
    const std::wstring text = L"velko serial reader: " + std::wstring(what) + L" failed, error " +
                              std::to_wstring(error) + L"\n";
    OutputDebugStringW(text.c_str());
    SetLastError(error);
}

}  // namespace

CommReader::Event::Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (handle_ == nullptr) raiseOutOfMemory();
}

class CommReader::Overlapped {
  public:
    explicit Overlapped(HANDLE event) { overlapped_.hEvent = event; }

    OVERLAPPED* get() {
        const HANDLE event = overlapped_.hEvent;
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event;
        ResetEvent(event);
        return &overlapped_;
    }
    HANDLE event() const { return overlapped_.hEvent; }

  private:
    OVERLAPPED overlapped_{};
};

CommReader::CommReader(HANDLE device, OnBytes onBytes, OnFailure onFailure)
    : device_(device), onBytes_(std::move(onBytes)), onFailure_(std::move(onFailure)) {
    thread_ = CreateThread(nullptr, 0, &CommReader::threadMain, this, 0, nullptr);
    if (thread_ == nullptr) raiseOutOfMemory();
}

CommReader::~CommReader() {
    SetEvent(stop_.get());
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

DWORD WINAPI CommReader::threadMain(LPVOID self) {
    static_cast<CommReader*>(self)->run();
    return 0;
}

void CommReader::run() {
    Overlapped wait(waited_.get());
    Overlapped read(read_.get());
    while (readQueued(read) && !stopRequested() && waitForCharacters(wait)) {
    }
    const DWORD error = GetLastError();
    if (stopRequested()) return;
    failure_ = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    onFailure_();
}

std::optional<DWORD> CommReader::failure() const {
    const DWORD error = failure_;
    if (error == ERROR_SUCCESS) return std::nullopt;
    return error;
}

bool CommReader::stopRequested() const {
    return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0;
}

// A pending WaitCommEvent ends when the mask changes; CancelIo does not end it everywhere (not
// under Wine), so the reader clears the mask itself when asked to stop.
bool CommReader::waitForCharacters(Overlapped& wait) {
    DWORD events = 0;
    OVERLAPPED* overlapped = wait.get();
    if (WaitCommEvent(device_, &events, overlapped)) return true;
    if (GetLastError() != ERROR_IO_PENDING) {
        report(L"WaitCommEvent");
        return false;
    }
    const HANDLE handles[] = {stop_.get(), wait.event()};
    DWORD transferred = 0;
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        SetCommMask(device_, 0);
        GetOverlappedResult(device_, overlapped, &transferred, TRUE);
        return false;
    }
    if (!GetOverlappedResult(device_, overlapped, &transferred, FALSE)) {
        report(L"WaitCommEvent");
        return false;
    }
    return true;
}

// Reads what the driver holds, in pieces of at most kMaxBytesPerRead; every piece is there
// already, so no read waits.
bool CommReader::readQueued(Overlapped& read) {
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(device_, &errors, &status)) {
            report(L"ClearCommError");
            return false;
        }
        if (status.cbInQue == 0) return true;
        std::string bytes(std::min(status.cbInQue, kMaxBytesPerRead), '\0');
        DWORD count = 0;
        OVERLAPPED* overlapped = read.get();
        if (!ReadFile(device_, bytes.data(), static_cast<DWORD>(bytes.size()), &count,
                      overlapped) &&
            (GetLastError() != ERROR_IO_PENDING ||
             !GetOverlappedResult(device_, overlapped, &count, TRUE))) {
            report(L"ReadFile");
            return false;
        }
        if (count == 0) return true;
        onBytes_(std::string_view(bytes.data(), count));
    }
}

}  // namespace velko::win32
