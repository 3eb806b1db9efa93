#include "cli/vornctl/Watch.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>

#include "hid/Link.h"
#include "state/KeyboardList.h"
#include "state/MainState.h"

namespace vorn::cli {

namespace {

constexpr std::chrono::milliseconds kStopPoll{100};

// The list as vornctl list prints it, after a count line.
void PrintKeyboards(hid::HidPlatform& platform, std::ostream& out) {
    hid::Link link(platform, nullptr);
    state::MainState state;
    state::EnumerateKeyboards(link, state.devices, state.keyboards);
    out << "keyboards: " << state.devices.count << '\n';
    for (int i = 0; i < state.devices.count; ++i) {
        const hid::DeviceEntry& entry = state.devices.entries[static_cast<std::size_t>(i)];
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", static_cast<unsigned>(entry.vendorId & 0xFFFF),
                      static_cast<unsigned>(entry.productId & 0xFFFF));
        out << i << '\t' << state.keyboards.Text(i) << '\t' << ids << "\treport length "
            << entry.reportLength << '\t' << entry.path << '\n';
    }
    out.flush();
}

const char* ChangeWord(hid::DeviceChange change) {
    return change == hid::DeviceChange::kHidInterfaceArrived ? "arrival: a HID interface"
                                                             : "removal: a device";
}

}  // namespace

int RunWatch(const WatchContext& context) {
    if (!context.monitor.Listening()) {
        context.err << "vornctl: the device monitor is not listening: " << context.monitor.Error()
                    << '\n';
        return 1;
    }
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::vector<hid::DeviceChange>> batches;
    context.monitor.Start([&](std::vector<hid::DeviceChange> changes) {
        {
            const std::lock_guard lock(mutex);
            batches.push_back(std::move(changes));
        }
        arrived.notify_one();
    });
    PrintKeyboards(context.platform, context.out);
    int printed = 0;
    while (!context.stop.load() && (context.maxBatches < 0 || printed < context.maxBatches)) {
        std::vector<hid::DeviceChange> changes;
        {
            std::unique_lock lock(mutex);
            if (!arrived.wait_for(lock, kStopPoll, [&] { return !batches.empty(); })) continue;
            changes = std::move(batches.front());
            batches.pop_front();
        }
        bool rebuild = false;
        for (const hid::DeviceChange change : changes) {
            if (!hid::RebuildsLists(change)) continue;
            context.out << ChangeWord(change) << '\n';
            rebuild = true;
        }
        if (!rebuild) continue;
        PrintKeyboards(context.platform, context.out);
        ++printed;
    }
    context.monitor.Stop();
    return 0;
}

}  // namespace vorn::cli
