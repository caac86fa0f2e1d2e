#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <sstream>
#include <string>
#include <thread>

#include "sim/pty_runner.h"
#include "unit/sim_test_support.h"

namespace velko::sim {
namespace {

using namespace std::chrono_literals;

// The PC's end of the line: the slave side, opened as a serial port would be.
class PcEnd {
  public:
    explicit PcEnd(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~PcEnd() { close(fd_); }
    PcEnd(const PcEnd&) = delete;
    PcEnd& operator=(const PcEnd&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void write(std::string_view bytes) const {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until the text received so far ends with `expected`, or the deadline passes;
    // returns everything received.
    std::string readUntil(std::string_view expected, std::chrono::milliseconds limit = 5s) const {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!received.ends_with(expected)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms) break;
            pollfd pfd{fd_, POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[512];
            const ssize_t count = read(fd_, buffer, sizeof buffer);
            if (count > 0) received.append(buffer, static_cast<std::size_t>(count));
        }
        return received;
    }

  private:
    int fd_;
};

// The runner on its own thread, reading its scenario from a pipe the test writes to.
class SimPtyRunner : public ::testing::Test {
  protected:
    void start(RunnerOptions options = {}) {
        runner_ = std::make_unique<PtyRunner>(log_, options);
        ASSERT_EQ(pipe(scenarioPipe_), 0);
        thread_ = std::thread([this] { runner_->serve(scenarioPipe_[0]); });
    }
    void scenario(std::string_view lines) {
        ASSERT_EQ(write(scenarioPipe_[1], lines.data(), lines.size()),
                  static_cast<ssize_t>(lines.size()));
    }
    void endScenario() {
        close(scenarioPipe_[1]);
        scenarioPipe_[1] = -1;
    }
    // The runner's log, once it has stopped.
    std::string finishedLog() {
        thread_.join();
        return log_.str();
    }
    void TearDown() override {
        if (thread_.joinable()) {
            runner_->stop();
            thread_.join();
        }
        for (const int fd : scenarioPipe_) close(fd);
    }

    std::ostringstream log_;
    std::unique_ptr<PtyRunner> runner_;
    int scenarioPipe_[2] = {-1, -1};
    std::thread thread_;
};

TEST_F(SimPtyRunner, AnswersCommandsAndSendsScenarioReportsOverThePseudoTerminal) {
    start();
    PcEnd pc(runner_->path());
    ASSERT_TRUE(pc.isOpen());

    pc.write("[");
    EXPECT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");
    pc.write("D\r1225\r0930\r]");
    pc.write("[");
    EXPECT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");
    pc.write("d\r]");
    EXPECT_EQ(pc.readUntil("End\r\n"), "Response\r\nd\r\n1225\r\n0930\r\nEnd\r\n");

    scenario("call 0212345678 홍길동 2 S\n");
    const std::string report = pc.readUntil("End\r\n");
    EXPECT_TRUE(report.starts_with("Report\r\nD\r\nTime:1225093"));
    EXPECT_TRUE(report.ends_with("\r\nNumber:0212345678\r\nName:" + kHongCp949 +
                                 "\r\nGroup:2\r\nType:S\r\nEnd\r\n"));

    scenario("bogus\nquit\n");
    const std::string log = finishedLog();
    EXPECT_NE(log.find(" received command [D\\r1225\\r0930\\r]\n"), std::string::npos);
    EXPECT_NE(log.find(" sent response d: Response\\r\\nd\\r\\n1225\\r\\n0930\\r\\nEnd\\r\\n\n"),
              std::string::npos);
    EXPECT_NE(log.find(" scenario error: unknown action bogus in \"bogus\"\n"), std::string::npos);
}

TEST_F(SimPtyRunner, EndOfScenarioWaitsUntilChunkedMessagesHaveGoneOut) {
    start({.json = true});
    PcEnd pc(runner_->path());
    scenario("chunk 4 30\nhook off\n");
    endScenario();
    EXPECT_EQ(pc.readUntil("End\r\n"), "Report\r\nB\r\nEnd\r\n");

    const std::string log = finishedLog();
    EXPECT_NE(log.find(R"("event":"scenario","line":"chunk 4 30"})"), std::string::npos);
    EXPECT_NE(log.find(R"x("event":"sent","what":"report B (hook off)","part":4,"parts":4,)x"
                       R"x("text":"nd\\r\\n"})x"),
              std::string::npos);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.starts_with("{\"t\":") && line.ends_with("}")) << line;
    }
}

TEST_F(SimPtyRunner, WaitHoldsTheScenarioBackWhileTheLineIsStillServed) {
    start();
    PcEnd pc(runner_->path());
    scenario("wait 400\nhook off\n");
    const auto asked = std::chrono::steady_clock::now();
    pc.write("[");
    EXPECT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 400ms);
    EXPECT_EQ(pc.readUntil("End\r\n"), "Report\r\nB\r\nEnd\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 400ms);
}

TEST_F(SimPtyRunner, LineStaysUpWhileThePcReopensItsEnd) {
    start();
    { PcEnd first(runner_->path()); }
    PcEnd again(runner_->path());
    again.write("[");
    EXPECT_EQ(again.readUntil("ACK\r\n"), "ACK\r\n");
}

TEST_F(SimPtyRunner, WaitingForADelayedAcknowledgementCostsNoProcessorTime) {
    start();
    scenario("ack delay 500\n");
    PcEnd pc(runner_->path());
    // Let the setting take effect first: an exchange after it answers late.
    pc.write("[");
    ASSERT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");

    clockid_t runnerClock;
    ASSERT_EQ(pthread_getcpuclockid(thread_.native_handle(), &runnerClock), 0);
    timespec before{};
    timespec after{};
    clock_gettime(runnerClock, &before);
    pc.write("[");
    EXPECT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");
    clock_gettime(runnerClock, &after);
    const double spent = static_cast<double>(after.tv_sec - before.tv_sec) +
                         static_cast<double>(after.tv_nsec - before.tv_nsec) / 1e9;
    EXPECT_LT(spent, 0.05);
}

TEST(SimPtyRunnerStop, StopEndsServingWithoutScenarioInput) {
    std::ostringstream log;
    PtyRunner runner(log, {});
    std::thread serving([&] { runner.serve(-1); });
    PcEnd pc(runner.path());
    pc.write("[");
    EXPECT_EQ(pc.readUntil("ACK\r\n"), "ACK\r\n");
    runner.stop();
    serving.join();
    EXPECT_NE(log.str().find(" sent ACK"), std::string::npos);
}

}  // namespace
}  // namespace velko::sim
