// The cost of the receive path: a caller report, a list of 60 titled records and a burst of
// 1,000 caller reports, each arriving whole or in small chunks, decoded through the port
// notification of a control on the in-memory platform. The characters-per-second counters compare
// directly with the line, which brings 960 characters a second at 9600 baud (about 1.04 ms a
// character). BM_PortDelivery is the list's chunks delivered by the in-memory port to a handler
// that only reads them: what the notifications cost before the control does anything. Run with
// --benchmark_repetitions and --benchmark_enable_random_interleaving for comparable figures.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "control/shared_state.h"
#include "control_class/velko_foxpro.h"
#include "support/fake_platform.h"

namespace {

using namespace velko;

Text titledRecord(int index) {
    const Text digits = decimalText(10000000 + index);
    return u"Time:03050907\r\nNumber:02" + digits + u"\r\nName:홍길동" + decimalText(index) +
           u"\r\nGroup:" + decimalText(index % 7) + u"\r\nType:S\r\n";
}

Text callReport() { return u"Report\r\nD\r\n" + titledRecord(1) + u"End\r\n"; }

Text reportBurst() {
    Text burst;
    for (int i = 0; i < 1000; ++i) burst += callReport();
    return burst;
}

Text sixtyRecordList() {
    Text message = u"Response\r\na\r\n";
    for (int i = 0; i < 60; ++i) message += titledRecord(i);
    return message + u"Time:\r\nEnd\r\n";
}

// Delivers text to the port in chunks of chunkSize characters (0: all at once). The chunks are
// views of the text, so that the harness's own memory traffic stays out of the figures.
void deliver(testing::FakeSerialPort& port, TextView text, size_t chunkSize) {
    const size_t step = chunkSize == 0 ? text.size() : chunkSize;
    for (size_t at = 0; at < text.size(); at += step) {
        port.receive(TextView(text.data() + at, std::min(step, text.size() - at)));
    }
}

void countCharacters(benchmark::State& state, const Text& text, int messages) {
    state.counters["messages_per_s"] =
        benchmark::Counter(messages, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["chars_per_s"] = benchmark::Counter(
        static_cast<double>(text.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["time_per_char"] = benchmark::Counter(
        static_cast<double>(text.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A control open on the in-memory platform, for one benchmark.
class OpenControl {
  public:
    OpenControl() {
        velko_var() = SharedState{};
        Text portName = u"COM1";
        Text error;
        if (control_.OpenVelko(portName, error) != 0) throw std::runtime_error("not open");
    }
    ~OpenControl() { velko_var() = SharedState{}; }
    OpenControl(const OpenControl&) = delete;
    OpenControl& operator=(const OpenControl&) = delete;

    testing::FakeSerialPort& port() { return *platform_.lastPort; }

  private:
    testing::FakePlatform platform_;
    velko_foxpro control_{platform_};
};

// Feeds `text`, holding `messages` messages, in chunks of `chunkSize` characters (0: all at once),
// once per iteration.
void receiveText(benchmark::State& state, const Text& text, int messages) {
    OpenControl open;
    testing::FakeSerialPort& port = open.port();
    const auto chunkSize = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        deliver(port, text, chunkSize);
        benchmark::DoNotOptimize(velko_var().gRxData.size());
    }
    countCharacters(state, text, messages);
}

void BM_CallReport(benchmark::State& state) { receiveText(state, callReport(), 1); }
void BM_SixtyRecordList(benchmark::State& state) { receiveText(state, sixtyRecordList(), 1); }
void BM_ReportBurst(benchmark::State& state) { receiveText(state, reportBurst(), 1000); }

// The list whole and then one character at a time in every iteration, so that both passes meet
// the same machine: one_char_ratio is the fastest one-character pass over the fastest whole one.
void BM_SixtyRecordListOneCharRatio(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    OpenControl open;
    testing::FakeSerialPort& port = open.port();
    const Text text = sixtyRecordList();
    auto fastestWhole = Clock::duration::max();
    auto fastestByCharacter = Clock::duration::max();
    for (auto _ : state) {
        const auto start = Clock::now();
        port.receive(text);
        const auto whole = Clock::now();
        deliver(port, text, 1);
        const auto end = Clock::now();
        fastestWhole = std::min(fastestWhole, whole - start);
        fastestByCharacter = std::min(fastestByCharacter, end - whole);
    }
    const auto micros = [](Clock::duration time) {
        return std::chrono::duration<double, std::micro>(time).count();
    };
    state.counters["whole_us"] = micros(fastestWhole);
    state.counters["one_char_us"] = micros(fastestByCharacter);
    state.counters["one_char_ratio"] = micros(fastestByCharacter) / micros(fastestWhole);
}

void BM_PortDelivery(benchmark::State& state) {
    testing::FakeSerialPort port;
    port.setCommPort(1);
    port.setPortOpen(true);
    Text read;
    port.setOnComm([&] {
        if (port.inBufferCount() > 0) read = port.input();
    });
    const Text text = sixtyRecordList();
    const auto chunkSize = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        deliver(port, text, chunkSize);
        benchmark::DoNotOptimize(read.size());
    }
    countCharacters(state, text, 1);
}

// On a shared machine the fastest repetition is the one least disturbed by other work.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

void byChunkSize(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("chunk")->Arg(0)->Arg(16)->Arg(1)->ComputeStatistics("min", fastest);
}

BENCHMARK(BM_CallReport)->Apply(byChunkSize);
BENCHMARK(BM_SixtyRecordList)->Apply(byChunkSize);
BENCHMARK(BM_ReportBurst)->Apply(byChunkSize);
BENCHMARK(BM_PortDelivery)->Apply(byChunkSize);
BENCHMARK(BM_SixtyRecordListOneCharRatio);

}  // namespace

BENCHMARK_MAIN();
