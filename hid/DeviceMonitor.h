// The device-change seam: tells the program that devices came or went, so that it can
// rebuild the device list and the keyboard list. Backends: a libudev monitor on Linux
// (hid/linux/), the simulated keyboards (sim/).
//
// A monitor starts listening when it is made, so make it before the first scan: a keyboard
// plugged in during start-up is then reported rather than missed. What it hears before
// Start is held, and is the first batch Start delivers.
//
// Batches of changes go to the callback on a thread the monitor chooses (its own, for the
// system's monitor), one batch at a time, oldest first. Stop ends the delivery: once it
// has returned, no callback runs or will run, so whatever the callback uses may go. A
// monitor may be started again after Stop; what it heard meanwhile is held as before.
// Start, Stop and the destructor belong to one thread, and never to the callback.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorn::hid {

enum class DeviceChange {
    kHidInterfaceArrived,  // a HID interface appeared
    kOtherArrived,         // something without a HID interface appeared
    kDeviceRemoved,        // any device went away, of whatever kind
    kOther,                // every other kind of event (a change of state, a rebind)
};

// The arrival of a HID interface and every removal rebuild the lists; nothing else does.
constexpr bool RebuildsLists(DeviceChange change) {
    return change == DeviceChange::kHidInterfaceArrived || change == DeviceChange::kDeviceRemoved;
}

class DeviceMonitor {
  public:
    // Never called with an empty batch.
    using ChangeCallback = std::function<void(std::vector<DeviceChange> changes)>;

    // Every monitor stops the delivery first thing when destroyed.
    virtual ~DeviceMonitor() = default;

    // Delivers every change from now on to `onChanges`, beginning with those held. A
    // monitor that is not listening never calls it. Ignored while started.
    virtual void Start(ChangeCallback onChanges) = 0;
    // Ends the delivery and waits for a callback that is running; nothing is called after.
    virtual void Stop() = 0;

    // False when the monitor could not be set up, or stopped hearing changes; the program
    // then only sees the keyboards of its scans.
    virtual bool Listening() const = 0;
    // Why it is not listening: the failing call and its reason; empty while listening.
    virtual std::string Error() const = 0;
};

}  // namespace vorn::hid
