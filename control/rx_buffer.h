#pragma once

#include <cstdint>

#include "control/text.h"

namespace velko {

// The receive buffer. Text is consumed from the front without copying the rest each time, so
// reading a long message field by field costs time linear in its length. Offsets reported by
// consumedTotal() count every character ever removed from the front, so a position in the
// stream stays valid while the buffer is consumed.
class RxBuffer {
  public:
    TextView view() const { return TextView(storage_).substr(start_); }
    size_t size() const { return storage_.size() - start_; }
    bool empty() const { return size() == 0; }

    void append(TextView text);
    // Removes count characters (at most all of them) from the front.
    void consumeFront(size_t count);
    void clear() { consumeFront(size()); }

    // Characters removed from the front so far: the stream offset of view()[0].
    uint64_t consumedTotal() const { return consumed_; }

  private:
    Text storage_;
    size_t start_ = 0;
    uint64_t consumed_ = 0;
};

}  // namespace velko
