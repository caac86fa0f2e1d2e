#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/win32/runtime/comm_reader.h"
#include "platform/win32/runtime/line_settings.h"

namespace velko::win32 {

// An open serial device, COMn, held exclusively and emptied on opening of what it had received
// before: its line settings, writing, and the reader thread that hands every byte received to
// onBytes, and a failure that ends it to onFailure (both on the reader's thread). Refusals are
// run-time errors with the serial component's numbers.
class CommDevice {
  public:
    // 8002 when there is no such port, 8005 when another program holds it, 8015 when it refuses
    // the settings; each as a DeviceRefusal with the system's reason.
    CommDevice(int16_t port, const LineSettings& settings, Handshaking handshaking,
               CommReader::OnBytes onBytes, CommReader::OnFailure onFailure);
    // Ends the reader thread, then closes the device.
    ~CommDevice();
    CommDevice(const CommDevice&) = delete;
    CommDevice& operator=(const CommDevice&) = delete;

    // 8015 when the device refuses the settings.
    void configure(const LineSettings& settings, Handshaking handshaking);
    // The system's error code of the failure that ended the reader: the device has gone.
    std::optional<DWORD> readFailure() const { return reader_->failure(); }
    // Writes every byte before returning; 8018 when the device takes them not at all or not
    // within a time the line's speed allows.
    void write(std::string_view bytes);

  private:
    HANDLE handle_;
    // The completion of the writes, which all come from the owner's thread.
    HANDLE written_ = nullptr;
    DWORD writeLimitMilliseconds_ = 0;
    std::unique_ptr<CommReader> reader_;
};

}  // namespace velko::win32
