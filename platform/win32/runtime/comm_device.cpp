#include "platform/win32/runtime/comm_device.h"

#include <string>

#include "control/runtime_error.h"
#include "link/device_refusal.h"
#include "platform/win32/runtime/out_of_memory.h"
#include "platform/win32/runtime/system_reason.h"

namespace velko::win32 {

namespace {

// With the system's reason for the last failed call.
[[noreturn]] void raiseCouldNotSetCommState() {
    refuseDevice(error_number::kCouldNotSetCommState, u"Could not set comm state",
                 systemReason(GetLastError()));
}

HANDLE openPort(int16_t port) {
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(port);
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    const DWORD error = GetLastError();
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            refuseDevice(error_number::kPortAlreadyOpen, u"Port already open",
                         u"held by another program");
        default:
            refuseDevice(error_number::kInvalidPortNumber, u"Invalid Port Number",
                         systemReason(error));
    }
}

BYTE parityOf(Parity parity) {
    switch (parity) {
        case Parity::even:
            return EVENPARITY;
        case Parity::odd:
            return ODDPARITY;
        case Parity::mark:
            return MARKPARITY;
        case Parity::space:
            return SPACEPARITY;
        case Parity::none:
            break;
    }
    return NOPARITY;
}

BYTE stopBitsOf(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::oneAndHalf:
            return ONE5STOPBITS;
        case StopBits::two:
            return TWOSTOPBITS;
        case StopBits::one:
            break;
    }
    return ONESTOPBIT;
}

// DTR and RTS are raised while the port is open, as a terminal expects; RTS follows the
// receiver's room only with hardware handshaking.
void applyTo(DCB& dcb, const LineSettings& settings, Handshaking handshaking) {
    const bool software =
        handshaking == Handshaking::xonXoff || handshaking == Handshaking::xonXoffAndRtsCts;
    const bool hardware =
        handshaking == Handshaking::rtsCts || handshaking == Handshaking::xonXoffAndRtsCts;
    dcb.BaudRate = settings.baud;
    dcb.ByteSize = settings.dataBits;
    dcb.Parity = parityOf(settings.parity);
    dcb.StopBits = stopBitsOf(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != Parity::none;
    dcb.fOutxCtsFlow = hardware;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = software;
    dcb.fInX = software;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
}

// Long enough for a full 4 KiB output queue to drain at the line's speed, with time to spare.
DWORD writeLimitFor(uint32_t baud) {
    constexpr uint64_t kQueueBits = 4096ULL * 12;
    return static_cast<DWORD>(2000 + kQueueBits * 1000 / baud);
}

}  // namespace

CommDevice::CommDevice(int16_t port, const LineSettings& settings, Handshaking handshaking,
                       CommReader::OnBytes onBytes, CommReader::OnFailure onFailure)
    : handle_(openPort(port)) {
    try {
        configure(settings, handshaking);
        // No time-outs: a read waits until it has every byte it asked for (the reader asks
        // for no more than are there, or for one to wait with); writes have no driver limit.
        COMMTIMEOUTS timeouts{};
        if (!SetCommTimeouts(handle_, &timeouts)) raiseCouldNotSetCommState();
        written_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (written_ == nullptr) raiseOutOfMemory();
        // What the driver received before the port was opened belongs to no one now: an answer
        // left on the line by an earlier program must not pass for the answer to a new command.
        PurgeComm(handle_, PURGE_RXCLEAR);
        reader_ = std::make_unique<CommReader>(handle_, std::move(onBytes), std::move(onFailure));
    } catch (...) {
        if (written_ != nullptr) CloseHandle(written_);
        CloseHandle(handle_);
        throw;
    }
}

CommDevice::~CommDevice() {
    reader_.reset();
    CloseHandle(written_);
    CloseHandle(handle_);
}

void CommDevice::configure(const LineSettings& settings, Handshaking handshaking) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb)) raiseCouldNotSetCommState();
    applyTo(dcb, settings, handshaking);
    if (!SetCommState(handle_, &dcb)) raiseCouldNotSetCommState();
    writeLimitMilliseconds_ = writeLimitFor(settings.baud);
}

void CommDevice::write(std::string_view bytes) {
    if (bytes.empty()) return;
    OVERLAPPED overlapped{};
    overlapped.hEvent = written_;
    DWORD written = 0;
    bool done = WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          &overlapped) != 0;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(written_, writeLimitMilliseconds_) != WAIT_OBJECT_0) {
            CancelIo(handle_);
        }
        done = GetOverlappedResult(handle_, &overlapped, &written, TRUE) != 0;
    }
    if (!done || written != bytes.size()) {
        raise(error_number::kPortNotOpen, u"The port's device accepts no data");
    }
}

}  // namespace velko::win32
