// Host-side cost of one keyboard command against a simulated keyboard that answers at
// once: packet building, report cutting, the reader thread, reassembly and hand-over.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "hid/Link.h"
#include "sim/SimHidPlatform.h"

namespace {

using namespace vorn;

using Clock = std::chrono::steady_clock;

struct Bench {
    explicit Bench(int reportLength)
        : keyboard(platform.Attach(
              {.path = "/sim/bench",
               .featureReportByteLength = static_cast<std::uint16_t>(reportLength)})),
          link(platform, nullptr) {
        link.Attach(platform.Open("/sim/bench", hid::OpenPurpose::kTransfer), reportLength);
    }

    // Wall-clock microseconds per command (the reader runs on a thread of its own, so
    // the calling thread's CPU time says little) and feature-report calls per command.
    void Report(benchmark::State& state, Clock::time_point start) {
        const double commands = static_cast<double>(state.iterations());
        const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
        state.counters["us_per_command"] = spent.count() / commands;
        state.counters["transfers_per_command"] =
            static_cast<double>(platform.Transfers()) / commands;
        state.counters["sets_per_command"] =
            static_cast<double>(platform.Calls(sim::SimHidPlatform::Op::kSetFeature)) / commands;
    }

    sim::SimHidPlatform platform;
    sim::SimKeyboard& keyboard;
    hid::Link link;
};

void BM_GetProperty(benchmark::State& state) {
    Bench bench(static_cast<int>(state.range(0)));
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        if (bench.link.GetProperty(size, count) != hid::HID_OK) state.SkipWithError("failed");
    }
    bench.Report(state, start);
}
BENCHMARK(BM_GetProperty)->Arg(9)->UseRealTime();

void BM_WriteKeymapBlock128(benchmark::State& state) {
    Bench bench(static_cast<int>(state.range(0)));
    bench.keyboard.SetGeometry(128, 4);
    const std::vector<std::uint8_t> block(128, 0x5A);
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        if (bench.link.WriteKeymapBlock(block.size(), 1, block.data()) != hid::HID_OK)
            state.SkipWithError("failed");
    }
    bench.Report(state, start);
}
BENCHMARK(BM_WriteKeymapBlock128)->Arg(9)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
