#include "gateway/board/board_feed.h"

#include <utility>

namespace velko::gateway {

BoardFeed::BoardFeed(std::string line, const std::vector<std::string>& outputs) {
    snapshot_.line = std::move(line);
    for (const std::string& output : outputs) snapshot_.outputs.emplace_back(output, false);
}

template <typename Change>
void BoardFeed::change(Change&& apply) {
    {
        const std::lock_guard lock(mutex_);
        apply();
        ++snapshot_.version;
    }
    changed_.notify_all();
}

void BoardFeed::callLogged(const Call&) {
    change([] {});
}

void BoardFeed::lineChanged(const LineStatus& status) {
    change([&] { snapshot_.status = status; });
}

void BoardFeed::outputChanged(std::string_view output, bool connected) {
    change([&] {
        for (auto& [name, up] : snapshot_.outputs) {
            if (name == output) up = connected;
        }
    });
}

void BoardFeed::close() {
    change([this] { snapshot_.closed = true; });
}

LineSnapshot BoardFeed::snapshot() const {
    const std::lock_guard lock(mutex_);
    return snapshot_;
}

LineSnapshot BoardFeed::waitChange(uint64_t seen, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return snapshot_.version != seen || snapshot_.closed; });
    return snapshot_;
}

}  // namespace velko::gateway
