#pragma once

#include <windows.h>

#include <string_view>

#include "control/text.h"
#include "platform/win32/runtime/cp949_codec.h"

namespace velko::win32 {

// The hand-over of received characters from the serial component's reader thread to the
// control's thread: the reader pushes the bytes it read, which are decoded and kept waiting,
// and notifies the control's thread at most once until that thread has taken the notification.
class ReceiveQueue {
  public:
    ReceiveQueue() = default;
    ReceiveQueue(const ReceiveQueue&) = delete;
    ReceiveQueue& operator=(const ReceiveQueue&) = delete;

    // Reader thread. True when new characters are waiting and no notification is pending:
    // the caller notifies the control's thread.
    bool push(std::string_view bytes);

    // Control's thread.
    size_t size() const;
    Text takeAll();
    // The pending notification has been taken (or could not be delivered): the next push
    // notifies again.
    void notificationTaken();
    // Forgets the waiting characters and a character split between reads.
    void clear();

  private:
    class Lock;

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    Cp949Decoder decoder_;
    Text waiting_;
    bool notificationPending_ = false;
};

}  // namespace velko::win32
