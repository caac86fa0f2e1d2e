#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string_view>

namespace velko::win32 {

// The thread that waits for characters on an open serial device (opened for overlapped I/O,
// its event mask EV_RXCHAR) and hands every byte it reads to onBytes, on that thread. It waits
// with WaitCommEvent, then reads exactly what the driver reports as queued. It ends when the
// owner destroys it, or on its own when a wait or a read fails (the device is gone), saying so
// through OutputDebugString, keeping the system's error code and calling onFailure.
class CommReader {
  public:
    using OnBytes = std::function<void(std::string_view bytes)>;
    using OnFailure = std::function<void()>;

    // Raises the out-of-memory run-time error when the system has no event or thread left.
    CommReader(HANDLE device, OnBytes onBytes, OnFailure onFailure);
    // Ends the wait and the thread before returning.
    ~CommReader();
    CommReader(const CommReader&) = delete;
    CommReader& operator=(const CommReader&) = delete;

    // The error code of the failure that ended the thread; safe from any thread.
    std::optional<DWORD> failure() const;

  private:
    // A manual-reset event, closed with its owner.
    class Event {
      public:
        Event();
        ~Event() { CloseHandle(handle_); }
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;
        HANDLE get() const { return handle_; }

      private:
        HANDLE handle_;
    };
    class Overlapped;

    static DWORD WINAPI threadMain(LPVOID self);
    void run();
    bool stopRequested() const;
    bool waitForCharacters(Overlapped& wait);
    bool readQueued(Overlapped& read);

    HANDLE device_;
    OnBytes onBytes_;
    OnFailure onFailure_;
    std::atomic<DWORD> failure_{ERROR_SUCCESS};
    Event stop_;
    // The completions of the reader's waits and reads.
    Event waited_;
    Event read_;
    HANDLE thread_;
};

}  // namespace velko::win32
