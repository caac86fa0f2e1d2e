#include "platform/win32/runtime/comm_reader.h"

#include <algorithm>

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

// A read sets its event to nonsignaled itself as it begins.
class CommReader::Overlapped {
  public:
    explicit Overlapped(HANDLE event) { overlapped_.hEvent = event; }

    OVERLAPPED* get() {
        const HANDLE event = overlapped_.hEvent;
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event;
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
    Overlapped read(read_.get());
    std::string bytes;
    while (!stopRequested() && waitForByte(read, bytes) && readQueued(read, bytes)) {
        onBytes_(bytes);
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

// The read ends when a byte arrives or when the reader is asked to stop, which cancels it.
bool CommReader::waitForByte(Overlapped& read, std::string& bytes) {
    bytes.assign(1, '\0');
    DWORD count = 0;
    OVERLAPPED* overlapped = read.get();
    if (!ReadFile(device_, bytes.data(), 1, &count, overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            report(L"ReadFile");
            return false;
        }
        const HANDLE handles[] = {stop_.get(), read.event()};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            CancelIo(device_);
            GetOverlappedResult(device_, overlapped, &count, TRUE);
            return false;
        }
        if (!GetOverlappedResult(device_, overlapped, &count, FALSE)) {
            report(L"ReadFile");
            return false;
        }
    }
    // Without read time-outs only a device that has gone ends the read with nothing.
    if (count == 0) {
        SetLastError(ERROR_HANDLE_EOF);
        report(L"ReadFile");
        return false;
    }
    bytes.resize(count);
    return true;
}

// Adds what the driver holds, at most kMaxBytesPerRead; all of it is there already, so the read
// does not wait. What is left beyond that completes the next wait at once.
bool CommReader::readQueued(Overlapped& read, std::string& bytes) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(device_, &errors, &status)) {
        report(L"ClearCommError");
        return false;
    }
    if (status.cbInQue == 0) return true;
    const size_t before = bytes.size();
    bytes.resize(before + std::min(status.cbInQue, kMaxBytesPerRead));
    DWORD count = 0;
    OVERLAPPED* overlapped = read.get();
    if (!ReadFile(device_, bytes.data() + before, static_cast<DWORD>(bytes.size() - before), &count,
                  overlapped) &&
        (GetLastError() != ERROR_IO_PENDING ||
         !GetOverlappedResult(device_, overlapped, &count, TRUE))) {
        report(L"ReadFile");
        return false;
    }
    bytes.resize(before + count);
    return true;
}

}  // namespace velko::win32
