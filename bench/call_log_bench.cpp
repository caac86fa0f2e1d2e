// The cost of logging one call: a committed transaction in the WAL journal, with and without a
// flush of the disk (--power-safe). The log file lies in the current folder, so that the
// figures are those of the disk the call log would use (a tmpfs flushes nothing):
//     cd /var/lib/velko && call_log_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "gateway/log/call_log.h"

namespace {

using velko::gateway::Call;
using velko::gateway::CallLog;

void logCalls(benchmark::State& state, CallLog::Durability durability) {
    const std::string path = "call_log_bench.db";
    std::filesystem::remove(path);
    {
        CallLog log(path, durability);
        velko::gateway::LogBatch batch;
        batch.calls.push_back({{}, {{"mqtt", std::nullopt}, {"ncid", std::nullopt}}});
        Call& call = batch.calls.front().call;
        call.state = 1;
        call.month = 3;
        call.day = 5;
        call.hour = 9;
        call.minute = 7;
        call.time = "2026-03-05T09:07:00+09:00";
        call.number = "0212345678";
        call.name = "홍길동";
        call.group = 2;
        call.type = "NORMAL";
        call.line = "velko";
        call.received = "2026-03-05T00:07:00.123Z";
        call.id = log.lastCallId();
        for (auto _ : state) {
            ++call.id;
            log.write(batch);
        }
    }
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
}

void ProcessSafe(benchmark::State& state) { logCalls(state, CallLog::Durability::ProcessSafe); }
void PowerSafe(benchmark::State& state) { logCalls(state, CallLog::Durability::PowerSafe); }

BENCHMARK(ProcessSafe)->Unit(benchmark::kMicrosecond);
BENCHMARK(PowerSafe)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
