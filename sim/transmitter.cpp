#include "sim/transmitter.h"

#include <algorithm>
#include <vector>

#include "sim/shown_bytes.h"

namespace velko::sim {

void Transmitter::setChunking(std::size_t size, Clock::duration gap) {
    chunkSize_ = size;
    chunkGap_ = gap;
}

void Transmitter::pairNext() { pairArmed_ = true; }

void Transmitter::sendMessage(std::string bytes, std::string label, Clock::time_point at) {
    if (pairArmed_) {
        pairArmed_ = false;
        held_ = Outgoing{at, std::move(bytes), std::move(label)};
        return;
    }
    if (held_) {
        bytes.insert(0, held_->bytes);
        label = held_->label + " + " + label;
        held_.reset();
    }
    schedule(std::move(bytes), std::move(label), at, chunkSize_);
}

void Transmitter::sendPlain(std::string bytes, std::string label, Clock::time_point at) {
    schedule(std::move(bytes), std::move(label), at, 0);
}

void Transmitter::schedule(std::string bytes, std::string label, Clock::time_point at,
                           std::size_t chunk) {
    if (!queue_.empty()) at = std::max(at, queue_.back().at);
    if (chunk == 0 || chunk >= bytes.size()) {
        queue_.push_back({at, std::move(bytes), std::move(label)});
        return;
    }
    std::vector<bool> secondByte(bytes.size(), false);
    for (std::size_t i = 0; i < bytes.size(); i += characterLength(bytes, i)) {
        if (characterLength(bytes, i) == 2) secondByte[i + 1] = true;
    }
    const std::size_t parts = (bytes.size() + chunk - 1) / chunk;
    for (std::size_t part = 0; part < parts; ++part) {
        queue_.push_back({at + static_cast<int>(part) * chunkGap_,
                          bytes.substr(part * chunk, chunk), label, static_cast<int>(part) + 1,
                          static_cast<int>(parts), secondByte[part * chunk]});
    }
}

std::vector<Outgoing> Transmitter::due(Clock::time_point now) {
    std::vector<Outgoing> writes;
    while (!queue_.empty() && queue_.front().at <= now) {
        writes.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    return writes;
}

std::optional<Clock::time_point> Transmitter::nextDue() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.front().at;
}

}  // namespace velko::sim
