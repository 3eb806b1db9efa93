#include "hid/linux/LinuxDeviceMonitor.h"

#include <fcntl.h>
#include <libudev.h>

#include <cerrno>
#include <string>

#include "hid/linux/SystemError.h"

namespace vorn::hid {

namespace {

std::string_view OrEmpty(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

// The monitor's socket is read until it has nothing more; that must never block.
bool MakeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

DeviceChange ClassifyUevent(std::string_view action, std::string_view subsystem) {
    if (action == "remove") return DeviceChange::kDeviceRemoved;
    if (action != "add") return DeviceChange::kOther;
    return subsystem == "hidraw" ? DeviceChange::kHidInterfaceArrived : DeviceChange::kOtherArrived;
}

LinuxDeviceMonitor::LinuxDeviceMonitor() { listening_.store(Listen()); }

LinuxDeviceMonitor::~LinuxDeviceMonitor() {
    thread_.Stop();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

bool LinuxDeviceMonitor::Listen() {
    udev_ = udev_new();
    if (!udev_) return Refuse("udev_new", errno);
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return Refuse("udev_monitor_new_from_netlink", errno);
    for (std::string_view subsystem : kWatchedSubsystems) {
        const int result = udev_monitor_filter_add_match_subsystem_devtype(
            monitor_, std::string(subsystem).c_str(), nullptr);
        if (result < 0) return Refuse("udev_monitor_filter_add_match", -result);
    }
    const int result = udev_monitor_enable_receiving(monitor_);
    if (result < 0) return Refuse("udev_monitor_enable_receiving", -result);
    fd_ = udev_monitor_get_fd(monitor_);
    if (fd_ < 0 || !MakeNonBlocking(fd_)) return Refuse("udev_monitor_get_fd", errno);
    return true;
}

bool LinuxDeviceMonitor::Refuse(const std::string& call, int error) {
    Lose(SystemError(call, error));
    return false;
}

void LinuxDeviceMonitor::Lose(std::string reason) {
    std::lock_guard lock(errorMutex_);
    error_ = std::move(reason);
    listening_.store(false);
}

void LinuxDeviceMonitor::Start(ChangeCallback onChanges) {
    if (!onChanges || !listening_.load()) return;
    std::string error;
    const bool started = thread_.Start(
        fd_,
        [this, onChanges = std::move(onChanges)] {
            std::vector<DeviceChange> changes = ReadPending();
            if (!changes.empty()) onChanges(std::move(changes));
        },
        [this](std::string reason) { Lose(std::move(reason)); }, error);
    if (!started) Lose(std::move(error));
}

void LinuxDeviceMonitor::Stop() { thread_.Stop(); }

bool LinuxDeviceMonitor::Listening() const { return listening_.load(); }

std::string LinuxDeviceMonitor::Error() const {
    std::lock_guard lock(errorMutex_);
    return error_;
}

std::vector<DeviceChange> LinuxDeviceMonitor::ReadPending() {
    std::vector<DeviceChange> changes;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        changes.push_back(ClassifyUevent(OrEmpty(udev_device_get_action(device)),
                                         OrEmpty(udev_device_get_subsystem(device))));
        udev_device_unref(device);
    }
    return changes;
}

}  // namespace vorn::hid
