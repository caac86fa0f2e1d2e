#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velko::win32 {

// The thread that waits for characters on an open serial device (opened for overlapped I/O,
// with no read time-outs, so that a read waits until it has every byte it asked for) and hands
// every byte it reads to onBytes, on that thread. It waits with a read of one byte, then reads at
// once what the driver reports as queued behind it, and hands both over together. It ends when
// the owner destroys it, or on its own when the device can no longer be read (the device is
// gone: a read fails, or the one-byte read ends with nothing), saying so through
// OutputDebugString, keeping the system's error code and calling onFailure.
//
// A pending read completes as soon as its byte is there, on Windows and under Wine alike. Wine's
// WaitCommEvent instead polls the device once a millisecond, which adds about a millisecond to
// every reply and costs processor time while the line is quiet.
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
    bool waitForByte(Overlapped& read, std::string& bytes);
    bool readQueued(Overlapped& read, std::string& bytes);

    HANDLE device_;
    OnBytes onBytes_;
    OnFailure onFailure_;
    std::atomic<DWORD> failure_{ERROR_SUCCESS};
    Event stop_;
    // The completion of the reader's reads.
    Event read_;
    HANDLE thread_;
};

}  // namespace velko::win32
