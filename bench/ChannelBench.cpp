#include "bench/ChannelHarness.h"

#include <benchmark/benchmark.h>

#include <deque>

// The request channel end to end with a decision that answers at once: requests are held by
// the stand-in driver, fetched by the channel's worker, decided and answered. Run in Release
// with real time, e.g. bench_channel --benchmark_repetitions=5.

namespace {

/// The rules decide every request at once: allowed, answered from the worker.
bool allowAtOnce(TAccessRequest& request) {
    request.Status = STATUS_SUCCESS;
    return false;
}

/// A burst of requests submitted together, timed from the first submission to the last
/// answer.
void BM_Burst(benchmark::State& state) {
    vrx::bench::ChannelHarness harness(allowAtOnce);
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const auto held = harness.submitBurst(count);
        if (!vrx::bench::ChannelHarness::waitForAll(held)) {
            state.SkipWithError("a request of the burst was not answered");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Burst)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

/// Steady throughput: requests keep arriving while at most `window` of them are waiting for
/// their answer; each iteration submits one and, with the window full, waits for the oldest.
/// items_per_second is the number of requests answered per second. A window of 1 is one
/// request at a time, so its time is the round trip of one request (two thread wake-ups);
/// the larger windows are applications that keep asking while earlier answers are on the way.
void BM_SteadyThroughput(benchmark::State& state) {
    vrx::bench::ChannelHarness harness(allowAtOnce);
    const auto window = static_cast<std::size_t>(state.range(0));
    std::deque<vrx::bench::ChannelHarness::Held> waiting;
    bool lost = false;
    for (auto _ : state) {
        waiting.push_back(harness.submit());
        if (waiting.size() >= window) {
            if (!waiting.front()->waitForVerdict(std::chrono::seconds(10))) {
                lost = true;
                break;
            }
            waiting.pop_front();
        }
    }
    // Only answers seen inside the timed loop count; the last window is drained untimed.
    const auto confirmed =
        static_cast<std::int64_t>(state.iterations()) - static_cast<std::int64_t>(waiting.size());
    if (!lost)
        lost = !vrx::bench::ChannelHarness::waitForAll({waiting.begin(), waiting.end()});
    if (lost)
        state.SkipWithError("a request was not answered");
    state.SetItemsProcessed(confirmed);
}
BENCHMARK(BM_SteadyThroughput)->Arg(1)->Arg(64)->Arg(1000)->UseRealTime();

} // namespace
