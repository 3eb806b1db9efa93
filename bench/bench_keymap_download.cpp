// A whole keymap download (the window's procedure, file to keyboard) against a simulated
// keyboard whose every feature-report transfer takes 1 ms, as a full-speed USB control
// transfer does. Once with the keyboard's keymap saved first and the blocks read back
// after (what every download does), once without (the bare erase and writes).
//
// Counters, per download:
//   transfers      feature-report calls (set + get)
//   nominal_ms     transfers x 1 ms: what the transfers alone take
//   in_transfer_ms wall time spent inside the transfers (the simulated wire, sleep overshoot
//                  included)
//   ratio          wall time / nominal_ms
//   host_pct       (wall - in_transfer) / in_transfer, in percent: what the host adds
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hid/Link.h"
#include "keymap/KeymapFile.h"
#include "keymap/KeymapTransfer.h"
#include "sim/SimHidPlatform.h"
#include "state/KeyboardList.h"
#include "state/MainState.h"
#include "state/UserSeam.h"

namespace {

using namespace vorn;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::microseconds kTransferTime{1000};

// The simulated platform, with the time spent in each transfer added up.
class TimedPlatform : public hid::HidPlatform {
  public:
    explicit TimedPlatform(sim::SimHidPlatform& inner) : inner_(inner) {}
    hid::HidCall GetHidGuid(hid::HidGuid& guid) override { return inner_.GetHidGuid(guid); }
    hid::HidCall OpenInterfaceSet(const hid::HidGuid& c, hid::InterfaceSet& set) override {
        return inner_.OpenInterfaceSet(c, set);
    }
    hid::HidCall EnumInterface(hid::InterfaceSet set, int index) override {
        return inner_.EnumInterface(set, index);
    }
    hid::HidCall GetInterfacePath(hid::InterfaceSet set, int index, std::string& path) override {
        return inner_.GetInterfacePath(set, index, path);
    }
    hid::HidCall CloseInterfaceSet(hid::InterfaceSet set) override {
        return inner_.CloseInterfaceSet(set);
    }
    hid::HidHandle Open(const std::string& path, hid::OpenPurpose purpose) override {
        return inner_.Open(path, purpose);
    }
    hid::HidCall GetAttributes(hid::HidHandle handle, hid::HidAttributes& attributes) override {
        return inner_.GetAttributes(handle, attributes);
    }
    hid::HidCall GetCaps(hid::HidHandle handle, hid::HidCaps& caps) override {
        return inner_.GetCaps(handle, caps);
    }
    hid::HidCall SetFeature(hid::HidHandle handle, const std::uint8_t* report,
                            std::size_t length) override {
        const Clock::time_point start = Clock::now();
        const hid::HidCall call = inner_.SetFeature(handle, report, length);
        Add(start);
        return call;
    }
    hid::HidCall GetFeature(hid::HidHandle handle, std::uint8_t* report,
                            std::size_t length) override {
        const Clock::time_point start = Clock::now();
        const hid::HidCall call = inner_.GetFeature(handle, report, length);
        Add(start);
        return call;
    }
    void Close(hid::HidHandle handle) override { inner_.Close(handle); }

    std::chrono::nanoseconds InTransfers() const { return std::chrono::nanoseconds(spent_.load()); }
    void Reset() { spent_ = 0; }

  private:
    void Add(Clock::time_point start) { spent_ += (Clock::now() - start).count(); }

    sim::SimHidPlatform& inner_;
    std::atomic<std::int64_t> spent_{0};
};

class QuietUser : public state::UserSeam {
  public:
    explicit QuietUser(std::string path) : path_(std::move(path)) {}
    void Tell(const state::UserMessage& message) override { last = message.text; }
    bool AskYesNo(const state::UserMessage&) override { return false; }
    std::optional<std::string> AskOpenFile(const state::FileDialogRequest&) override {
        return path_;
    }
    std::optional<std::string> AskSaveFile(const state::FileDialogRequest&) override {
        return path_;
    }
    std::string last;

  private:
    std::string path_;
};

void Download(benchmark::State& bench, std::uint16_t blockSize, std::uint8_t blockCount,
              bool guarded, bool backup = true) {
    sim::SimHidPlatform simulated;
    sim::SimKeyboard& keyboard =
        simulated.Attach({.path = "/sim/bench", .vendorId = 0x0F39, .productId = 0x1085});
    keyboard.SetGeometry(blockSize, blockCount);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vorn-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "keys.dat").string();
    {
        const keymap::HeaderBytes header =
            keymap::EncodeHeader({0x0F39, 0x1085, blockSize, blockCount});
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), header.size());
        for (std::size_t i = 0; i < std::size_t{blockSize} * blockCount; ++i)
            out.put(static_cast<char>(i * 7));
    }
    TimedPlatform platform(simulated);
    QuietUser user(file);
    hid::Link link(platform, &user);
    state::MainState state;
    state::EnumerateKeyboards(link, state.devices, state.keyboards);
    state.keyboards.SetSelected(0);
    keymap::DownloadOptions options;
    options.backup =
        guarded && backup ? keymap::BackupPolicy::kRequire : keymap::BackupPolicy::kSkip;
    options.verify = guarded;
    options.backupFolder = (folder / "backups").string();
    keyboard.SetLatency(kTransferTime);

    double wall = 0;
    double inTransfers = 0;
    std::uint64_t transfers = 0;
    for (auto _ : bench) {
        simulated.ResetCounters();
        platform.Reset();
        const Clock::time_point start = Clock::now();
        const state::Outcome outcome = keymap::KeymapDownload(state, link, user, options);
        wall += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        inTransfers += std::chrono::duration<double, std::milli>(platform.InTransfers()).count();
        transfers += simulated.Transfers();
        if (outcome != state::Outcome::kDone) bench.SkipWithError(user.last.c_str());
    }
    const double n = static_cast<double>(bench.iterations());
    const double nominal = static_cast<double>(transfers) / n * 1.0;
    bench.counters["wall_ms"] = wall / n;
    bench.counters["transfers"] = static_cast<double>(transfers) / n;
    bench.counters["nominal_ms"] = nominal;
    bench.counters["in_transfer_ms"] = inTransfers / n;
    bench.counters["ratio"] = wall / n / nominal;
    bench.counters["host_pct"] = 100.0 * (wall - inTransfers) / inTransfers;
    std::filesystem::remove_all(folder);
}

void BM_Download_128x8_Plain(benchmark::State& s) { Download(s, 128, 8, false); }
void BM_Download_128x8_Guarded(benchmark::State& s) { Download(s, 128, 8, true); }
void BM_Download_252x32_Plain(benchmark::State& s) { Download(s, 252, 32, false); }
void BM_Download_252x32_CheckOnly(benchmark::State& s) { Download(s, 252, 32, true, false); }
void BM_Download_252x32_Guarded(benchmark::State& s) { Download(s, 252, 32, true); }

BENCHMARK(BM_Download_128x8_Plain)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Download_128x8_Guarded)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Download_252x32_Plain)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Download_252x32_CheckOnly)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Download_252x32_Guarded)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
