#pragma once

#include <chrono>
#include <functional>

namespace velko {

// A periodic timer delivering its ticks on the control's thread through the message loop while
// it is enabled, and nothing while it is disabled.
class Timer {
  public:
    static constexpr std::chrono::milliseconds kInterval{500};

    virtual ~Timer() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;

    void setOnTick(std::function<void()> handler) { onTick_ = std::move(handler); }

  protected:
    void raiseTick() {
        if (onTick_) onTick_();
    }

  private:
    std::function<void()> onTick_;
};

}  // namespace velko
