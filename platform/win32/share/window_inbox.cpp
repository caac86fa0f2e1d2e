#include "platform/win32/share/window_inbox.h"

#include <utility>

#include "platform/win32/share/exclusive_lock.h"

namespace velko::win32 {

std::shared_ptr<WindowInbox> WindowInbox::open(MessageWindow& window) {
    std::shared_ptr<WindowInbox> inbox(new WindowInbox(window));
    // The window holds the inbox while it is subscribed.
    inbox->id_ = window.subscribe([inbox] { inbox->runQueued(); });
    return inbox;
}

// One message wakes the window's thread for everything queued until it runs. The window exists
// while the inbox is open: its owner closes the inbox first.
void WindowInbox::post(Action action) {
    ExclusiveLock lock(lock_);
    if (closed_) return;
    queued_.push_back(std::move(action));
    if (!notified_) notified_ = window_.post(id_);
}

void WindowInbox::close() {
    std::deque<Action> dropped;
    {
        ExclusiveLock lock(lock_);
        if (closed_) return;
        closed_ = true;
        dropped.swap(queued_);
    }
    window_.unsubscribe(id_);
}

void WindowInbox::runQueued() {
    const auto self = shared_from_this();
    std::deque<Action> taken;
    {
        ExclusiveLock lock(lock_);
        taken.swap(queued_);
        notified_ = false;
    }
    for (Action& action : taken) {
        {
            ExclusiveLock lock(lock_);
            if (closed_) return;
        }
        action();
    }
}

}  // namespace velko::win32
