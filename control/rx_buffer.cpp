#include "control/rx_buffer.h"

#include <algorithm>

namespace velko {

void RxBuffer::append(TextView text) { storage_.append(text); }

void RxBuffer::consumeFront(size_t count) {
    count = std::min(count, size());
    start_ += count;
    consumed_ += count;
    if (start_ == storage_.size()) {
        storage_.clear();
        start_ = 0;
    } else if (start_ > 1024 && start_ * 2 > storage_.size()) {
        storage_.erase(0, start_);
        start_ = 0;
    }
}

}  // namespace velko
