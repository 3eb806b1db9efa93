// Device changes of the simulated keyboards: every device attached to a SimHidPlatform is
// a HID interface arrival, every detach a removal. Changes with no simulated device behind
// them (a USB stick plugged in or pulled out) are posted with Inject.
//
// Delivery is synchronous: once started, each change is a batch of its own, handed to the
// callback on the thread that attaches, detaches or injects, before that call returns.
// So a test that plugs a keyboard knows the window has been told when Attach returns, with
// no thread of the monitor's own to wait for. Changes made before Start are held, and Start
// hands them over as one batch on the thread that starts. The callback runs under the
// monitor's lock, which is how Stop waits for a callback running on another thread; the
// callback must therefore not attach, detach or inject on the same platform and monitor.
//
// The monitor takes over the platform's change listener for its lifetime. Attach, Detach
// and Inject may come from any thread; Start, Stop and the destructor from one.
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

    void Start(ChangeCallback onChanges) override;
    void Stop() override;
    // A simulated monitor always listens.
    bool Listening() const override { return true; }
    std::string Error() const override { return {}; }

    void Inject(hid::DeviceChange change);

  private:
    class Channel;
    SimHidPlatform& platform_;
    // Shared with the listener, which the platform may still be running on another thread
    // while this monitor goes away.
    std::shared_ptr<Channel> channel_;
};

}  // namespace vorn::sim
