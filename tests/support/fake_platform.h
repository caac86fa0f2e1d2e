#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/platform.h"

namespace velko::testing {

// An in-memory serial component: records what was written and lets a test feed chunks of text
// and raise the notification.
class FakeSerialPort final : public SerialPort {
  public:
    void setCommPort(int16_t port) override;
    void setSettings(const Text& settings) override;
    void setHandshaking(int32_t handshaking) override;
    void setRThreshold(int16_t threshold) override;
    bool portOpen() const override { return open_; }
    void setPortOpen(bool open) override;
    void setOutput(const Text& text) override;
    int16_t inBufferCount() override;
    Text input() override;

    // Queues a chunk and raises OnComm, as the port does when characters arrive.
    void receive(TextView chunk);
    // Raises OnComm without data, as for a modem-line change.
    void notifyWithoutData() { raiseOnComm(); }

    // Port numbers the fake refuses to open (8002), as for a port that does not exist.
    std::vector<int16_t> missingPorts;
    // Writes on the open port are refused (8018), as by a device that accepts no data.
    bool refuseWrites = false;
    int16_t commPort = 0;
    Text settings;
    int32_t handshaking = -1;
    int16_t rThreshold = 0;
    Text written;  // everything written, in order
    std::vector<Text> writes;

  private:
    bool open_ = false;
    // What waits for Input: the chunk being delivered, while nothing else waits (so that a chunk
    // read at once is copied once), or else the queue. Never both.
    TextView delivering_;
    Text waiting_;
};

class FakeTimer final : public Timer {
  public:
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }
    // Delivers one tick if enabled.
    void tick() {
        if (enabled_) raiseTick();
    }

  private:
    bool enabled_ = false;
};

// A message loop whose notifications are queued actions. When it would block, it calls the
// test's idle hook, which may queue actions (an arriving "ACK", a tick) or do nothing.
class FakeMessageLoop final : public MessageLoop {
  public:
    void runPending() override;
    void waitForActivity(Clock::time_point deadline) override;

    void post(std::function<void()> action) { pending_.push_back(std::move(action)); }
    std::function<void()> onIdle;
    int idleCalls = 0;

  private:
    std::deque<std::function<void()>> pending_;
};

class FakePlatform final : public Platform {
  public:
    std::unique_ptr<SerialPort> createSerialPort() override;
    std::unique_ptr<Timer> createTimer() override;
    MessageLoop& messageLoop() override { return loop; }

    FakeMessageLoop loop;
    FakeSerialPort* lastPort = nullptr;
    FakeTimer* lastTimer = nullptr;
};

}  // namespace velko::testing
