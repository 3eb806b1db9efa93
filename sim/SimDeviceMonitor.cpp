#include "sim/SimDeviceMonitor.h"

#include <mutex>
#include <utility>
#include <vector>

namespace vorn::sim {

using hid::DeviceChange;

// The callback while started, the changes held while not.
class SimDeviceMonitor::Channel {
  public:
    void Post(DeviceChange change) {
        std::lock_guard lock(mutex_);
        if (onChanges_) {
            onChanges_({change});
        } else {
            held_.push_back(change);
        }
    }

    void Start(ChangeCallback onChanges) {
        std::lock_guard lock(mutex_);
        if (onChanges_ || !onChanges) return;
        onChanges_ = std::move(onChanges);
        if (!held_.empty()) onChanges_(std::exchange(held_, {}));
    }

    // Taking the lock waits for a callback that is running on another thread.
    void Stop() {
        std::lock_guard lock(mutex_);
        onChanges_ = nullptr;
    }

  private:
    std::mutex mutex_;
    ChangeCallback onChanges_;
    std::vector<DeviceChange> held_;
};

SimDeviceMonitor::SimDeviceMonitor(SimHidPlatform& platform)
    : platform_(platform), channel_(std::make_shared<Channel>()) {
    platform_.SetChangeListener([channel = channel_](const std::string&, bool arrived) {
        channel->Post(arrived ? DeviceChange::kHidInterfaceArrived : DeviceChange::kDeviceRemoved);
    });
}

SimDeviceMonitor::~SimDeviceMonitor() {
    platform_.SetChangeListener(nullptr);
    Stop();
}

void SimDeviceMonitor::Start(ChangeCallback onChanges) { channel_->Start(std::move(onChanges)); }

void SimDeviceMonitor::Stop() { channel_->Stop(); }

void SimDeviceMonitor::Inject(DeviceChange change) { channel_->Post(change); }

}  // namespace vorn::sim
