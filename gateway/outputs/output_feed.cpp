#include "gateway/outputs/output_feed.h"

namespace velko::gateway {

namespace {

int64_t idOf(const Call& call) { return call.id; }
int64_t idOf(const FinishedCall& finished) { return finished.call.id; }

// The first item of the stream, reading the next page when it has none; null when none
// follows or the log cannot be read.
template <typename Item, typename Read>
const Item* next(auto& stream, Read read) {
    if (stream.read.empty() && stream.more) {
        const auto page = read(stream.lastId);
        if (!page) return nullptr;
        stream.more = page->size() == OutputFeed::kPage;
        for (const Item& item : *page) stream.read.push_back(item);
        if (!page->empty()) stream.lastId = idOf(page->back());
    }
    return stream.read.empty() ? nullptr : &stream.read.front();
}

}  // namespace

bool OutputFeed::hasRoom() const {
    return handed_ + writer_.unwrittenAcknowledgements(output_.name()) < kWindow;
}

const Call* OutputFeed::nextCall() {
    return next<Call>(calls_, [this](int64_t after) {
        return writer_.pendingCalls(output_.name(), after, kPage);
    });
}

const FinishedCall* OutputFeed::nextHangUp() {
    if (!output_.reportsHangUps()) return nullptr;
    return next<FinishedCall>(hangUps_, [this](int64_t after) {
        return writer_.pendingHangUps(output_.name(), after, kPage);
    });
}

void OutputFeed::topUp() {
    while (hasRoom()) {
        const Call* call = nextCall();
        const FinishedCall* hangUp = nextHangUp();
        if (hangUp != nullptr && (call == nullptr || hangUp->call.id < call->id)) {
            output_.callFinished(*hangUp);
            hangUps_.read.pop_front();
        } else if (call != nullptr) {
            output_.deliver(*call);
            calls_.read.pop_front();
        } else {
            return;
        }
        ++handed_;
    }
}

void OutputFeed::added() {
    calls_.more = true;
    hangUps_.more = true;
}

void OutputFeed::acknowledged() {
    if (handed_ > 0) --handed_;
}

void OutputFeed::handOver(const Call& call) {
    topUp();
    if (!hasRoom() || !calls_.read.empty() || !hangUps_.read.empty()) return;
    output_.deliver(call);
    calls_.lastId = call.id;
    ++handed_;
}

}  // namespace velko::gateway
