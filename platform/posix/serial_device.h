#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "control/text.h"
#include "platform/posix/line_settings.h"

namespace velko::posix {

// A serial device file opened raw and non-blocking for this program's exclusive use; closed,
// and released, with the object.
class SerialDevice {
  public:
    // Raises 8002 when there is no such device (or it cannot be opened), 8005 when another
    // program or component holds it; each as a DeviceRefusal with the system's reason. What the
    // device had received before is discarded.
    explicit SerialDevice(const std::string& path);
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    int fd() const { return fd_; }
    // Raises 8015 when the device refuses the settings (a file that is no terminal, a speed
    // the hardware does not keep), as a DeviceRefusal with the reason.
    void configure(const LineSettings& settings, Handshaking handshaking);
    // Appends the bytes waiting now, at most limit of them, without blocking.
    void readAvailable(std::string& bytes, size_t limit);
    // True once the device has hung up or gone away (a closed pseudo-terminal, an unplugged
    // adapter): a read or write failed, a read found its end, or the descriptor reports a
    // hang-up or an error. Nothing more is read from it then.
    bool gone() const { return gone_; }
    // Why, in the system's words where it gives some ("Input/output error").
    const Text& goneReason() const { return goneReason_; }
    // Writes every byte, waiting while the device's output queue is full. Raises 8018 when the
    // device has gone, or accepts nothing for longer than its queue takes to drain.
    void writeAll(std::string_view bytes);

  private:
    bool waitUntilWritable() const;
    void markGone(Text reason);

    int fd_;
    bool gone_ = false;
    Text goneReason_;
    std::chrono::milliseconds stallLimit_{0};
};

}  // namespace velko::posix
