#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "gateway/log/log_writer.h"
#include "gateway/outputs/output.h"

namespace velko::gateway {

// What the gateway hands one output: the calls pending for it and, when it carries them, the
// ends of answered calls, in id order and each end after its call, read from the log (and from
// memory while the log fails) a page at a time. At most kWindow of them are out with the output
// and not yet acknowledged in the log, so that a long backlog costs neither memory nor a search
// through it.
class OutputFeed {
  public:
    static constexpr size_t kWindow = 1000;
    static constexpr size_t kPage = 500;

    OutputFeed(Output& output, LogWriter& writer) : output_(output), writer_(writer) {}

    Output& output() const { return output_; }
    // Hands the output what it has room for.
    void topUp();
    // Something new is pending for the output.
    void added();
    // The output's far end acknowledged one of the items handed to it.
    void acknowledged();
    // Hands the output a call that neither the log nor memory keeps, when nothing older waits
    // for it and it has room.
    void handOver(const Call& call);

  private:
    // One kind of item as it is read: those read and not yet handed, the id of the last read,
    // and whether more may follow it.
    template <typename Item>
    struct Stream {
        std::deque<Item> read;
        int64_t lastId = 0;
        bool more = true;
    };

    bool hasRoom() const;
    const Call* nextCall();
    const FinishedCall* nextHangUp();

    Output& output_;
    LogWriter& writer_;
    Stream<Call> calls_;
    Stream<FinishedCall> hangUps_;
    size_t handed_ = 0;  // handed and not acknowledged
};

}  // namespace velko::gateway
