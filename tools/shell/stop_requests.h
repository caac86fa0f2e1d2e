#pragma once

#include <functional>
#include <utility>

namespace velko::shell {

// Requests to end the program (Ctrl-C, SIGTERM), which the platform delivers through the
// control's message loop, also while a call runs that loop from inside (SendCmd waiting for
// the terminal).
class StopRequests {
  public:
    virtual ~StopRequests() = default;

    virtual bool requested() const = 0;
    // The status of a program that a request ended: 128 and the signal's number.
    virtual int exitStatus() const = 0;

    // Runs when a request arrives, from the message loop: the place to close the port, which
    // ends a call that waits on it at once.
    void setOnRequest(std::function<void()> action) { onRequest_ = std::move(action); }

  protected:
    void notifyRequest() {
        if (onRequest_) onRequest_();
    }

  private:
    std::function<void()> onRequest_;
};

}  // namespace velko::shell
