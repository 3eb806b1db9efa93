// vornctl watch: prints each arrival of a HID interface and each removal as the device
// monitor reports it, and the keyboard list after it, until told to stop.
#pragma once

#include <atomic>
#include <ostream>

#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"

namespace vorn::cli {

struct WatchContext {
    hid::HidPlatform& platform;
    hid::DeviceMonitor& monitor;
    std::ostream& out;
    std::ostream& err;
    const std::atomic<bool>& stop;  // set from a signal handler or another thread
    int maxBatches = -1;            // stop after this many batches that change the lists; -1: never
};

// 0 when it watched until told to stop, 1 when the monitor is not listening.
int RunWatch(const WatchContext& context);

}  // namespace vorn::cli
