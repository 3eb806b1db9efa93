// The device-change seam: tells the program that devices came or went, so that it can
// rebuild the device list and the keyboard list. Backends: a libudev monitor on Linux
// (hid/linux/), the simulated keyboards (sim/).
//
// The program watches Descriptor() for reading (a QSocketNotifier, for instance) and calls
// ReadPending() when it becomes readable. A monitor starts listening when it is made, so
// make it before the first scan: a keyboard plugged in during start-up is then reported
// rather than missed.
#pragma once

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
    virtual ~DeviceMonitor() = default;

    // The file descriptor that becomes readable when events are pending; -1 when the
    // monitor could not be set up (the program then only sees the keyboards of its scans).
    virtual int Descriptor() const = 0;
    // Every event that is pending now, oldest first; never blocks.
    virtual std::vector<DeviceChange> ReadPending() = 0;
};

}  // namespace vorn::hid
