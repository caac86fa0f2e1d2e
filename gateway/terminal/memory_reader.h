#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "control/cid_info.h"
#include "control/velko_interface.h"
#include "gateway/system/loop_access.h"

namespace velko::gateway {

// Reads the terminal's stored-call list through the control, as any host would: SendCmd 97, and
// the answer as ReceiveGatheredInfo of kind 97. It reads when the port opens and then at every
// interval while it stays open, one request at a time; a terminal that does not acknowledge, or
// does not answer within 10 s, is a failure, and the next attempt follows the schedule.
class MemoryReader {
  public:
    struct Handlers {
        std::function<void(const CidList& list, int count)> listed;
        std::function<void(const std::string& reason)> failed;
    };

    MemoryReader(_velko_foxpro& control, LoopAccess& loop, std::chrono::minutes interval,
                 Handlers handlers);
    ~MemoryReader();
    MemoryReader(const MemoryReader&) = delete;
    MemoryReader& operator=(const MemoryReader&) = delete;

    void connected();
    // Also while a request waits for the terminal (from a notification the control runs): that
    // request then ends untold.
    void disconnected();
    // The control raised ReceiveGatheredInfo.
    void gathered(int16_t count, int16_t kind, const CidList& list);

  private:
    void read();
    void cancel(int& alarm);

    _velko_foxpro& control_;
    LoopAccess& loop_;
    std::chrono::minutes interval_;
    Handlers handlers_;
    // Set while a request waits for its answer.
    int answerAlarm_ = 0;
    int nextAlarm_ = 0;
};

}  // namespace velko::gateway
