// Device changes of the simulated keyboards: every device attached to a SimHidPlatform is
// a HID interface arrival, every detach a removal. Changes with no simulated device behind
// them (a USB stick plugged in or pulled out) are posted with Inject.
//
// The monitor takes over the platform's change listener for its lifetime. Attach, Detach
// and Inject may come from any thread; Descriptor and ReadPending belong to the thread
// that watches the monitor.
#pragma once

#include <memory>

#include "hid/DeviceMonitor.h"
#include "sim/SimHidPlatform.h"

namespace vorn::sim {

class SimDeviceMonitor : public hid::DeviceMonitor {
  public:
    explicit SimDeviceMonitor(SimHidPlatform& platform);
    ~SimDeviceMonitor() override;
    SimDeviceMonitor(const SimDeviceMonitor&) = delete;
    SimDeviceMonitor& operator=(const SimDeviceMonitor&) = delete;

    int Descriptor() const override;
    std::vector<hid::DeviceChange> ReadPending() override;

    void Inject(hid::DeviceChange change);

  private:
    class Queue;
    SimHidPlatform& platform_;
    // Shared with the listener, which the platform may still be running on another thread
    // while this monitor goes away.
    std::shared_ptr<Queue> queue_;
};

}  // namespace vorn::sim
