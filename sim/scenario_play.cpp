#include "sim/scenario_play.h"

namespace velko::sim {

namespace {

struct Player {
    TerminalModel& model;
    Clock::time_point now;

    void operator()(const CallAction& call) const { model.call(call, now); }
    void operator()(const HookAction& hook) const {
        if (hook.off) {
            model.hookOff(now);
        } else {
            model.hookOn(now);
        }
    }
    void operator()(const StoreAction& store) const { model.store(store.call, store.time, now); }
    void operator()(const ClockAction& clock) const { model.shiftClock(clock.offset); }
    void operator()(const RejectAction& reject) const {
        model.reject(reject.number, reject.name, now);
    }
    void operator()(const ChunkAction& chunk) const { model.setChunking(chunk.size, chunk.gap); }
    void operator()(const NoiseAction&) const { model.noise(now); }
    void operator()(const PairAction&) const { model.pairNext(); }
    void operator()(const AckAction& ack) const {
        model.setAck(ack.delay ? std::optional<Clock::duration>{*ack.delay} : std::nullopt);
    }
    void operator()(const RawAction& raw) const { model.raw(raw.bytes, now); }
    void operator()(const WaitAction&) const {}
    void operator()(const QuitAction&) const {}
    void operator()(std::monostate) const {}
};

}  // namespace

void play(const ScenarioAction& action, TerminalModel& model, Clock::time_point now) {
    std::visit(Player{model, now}, action);
}

}  // namespace velko::sim
