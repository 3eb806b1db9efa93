#include "sim/SimDeviceMonitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>

namespace vorn::sim {

using hid::DeviceChange;

// Pending changes, and a pipe that holds a byte while any may be pending, so the program
// can watch the read end like the descriptor of a real monitor.
class SimDeviceMonitor::Queue {
  public:
    Queue() {
        if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Queue() {
        for (int fd : fds_) {
            if (fd >= 0) ::close(fd);
        }
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    int ReadEnd() const { return fds_[0]; }

    void Post(DeviceChange change) {
        std::lock_guard lock(mutex_);
        pending_.push_back(change);
        // A full pipe is readable already; the byte is only a wake-up.
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(fds_[1], &wake, 1);
    }

    std::vector<DeviceChange> Take() {
        std::lock_guard lock(mutex_);
        char drain[64];
        while (fds_[0] >= 0 && ::read(fds_[0], drain, sizeof drain) > 0) {
        }
        std::vector<DeviceChange> taken;
        taken.swap(pending_);
        return taken;
    }

  private:
    int fds_[2] = {-1, -1};
    std::mutex mutex_;
    std::vector<DeviceChange> pending_;
};

SimDeviceMonitor::SimDeviceMonitor(SimHidPlatform& platform)
    : platform_(platform), queue_(std::make_shared<Queue>()) {
    platform_.SetChangeListener([queue = queue_](const std::string&, bool arrived) {
        queue->Post(arrived ? DeviceChange::kHidInterfaceArrived : DeviceChange::kDeviceRemoved);
    });
}

SimDeviceMonitor::~SimDeviceMonitor() { platform_.SetChangeListener(nullptr); }

int SimDeviceMonitor::Descriptor() const { return queue_->ReadEnd(); }

std::vector<DeviceChange> SimDeviceMonitor::ReadPending() { return queue_->Take(); }

void SimDeviceMonitor::Inject(DeviceChange change) { queue_->Post(change); }

}  // namespace vorn::sim
