// Device changes on Linux: a libudev monitor on the "udev" source, whose events come after
// the udev rules have run, so the permissions of a new hidraw node are already in place.
// An added hidraw node is a HID interface arrival; a removal of any watched kind is a
// removal.
//
// Listening starts in the constructor: from then on the kernel keeps the events in the
// monitor's socket, and they are held there until Start. Start runs a thread of the
// monitor's own (a PollThread) that reads the socket whenever it has events and hands
// what each read gave to the callback as one batch; Stop ends that thread.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "hid/DeviceMonitor.h"
#include "hid/linux/PollThread.h"

struct udev;
struct udev_monitor;

namespace vorn::hid {

// The device kinds whose removal the program hears of: HID interfaces and HID devices,
// USB devices, disks and network interfaces. Their arrivals other than hidraw are
// reported too, and do not rebuild.
inline constexpr std::string_view kWatchedSubsystems[] = {"hidraw", "hid", "usb", "block", "net"};

// One uevent, by its action ("add", "remove", "change", "bind", ...) and subsystem.
DeviceChange ClassifyUevent(std::string_view action, std::string_view subsystem);

class LinuxDeviceMonitor : public DeviceMonitor {
  public:
    LinuxDeviceMonitor();
    ~LinuxDeviceMonitor() override;
    LinuxDeviceMonitor(const LinuxDeviceMonitor&) = delete;
    LinuxDeviceMonitor& operator=(const LinuxDeviceMonitor&) = delete;

    void Start(ChangeCallback onChanges) override;
    void Stop() override;
    bool Listening() const override;
    std::string Error() const override;

  private:
    bool Listen();
    bool Refuse(const std::string& call, int error);
    void Lose(std::string reason);
    std::vector<DeviceChange> ReadPending();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int fd_ = -1;  // the monitor's socket; only the thread reads it, once started
    std::atomic<bool> listening_{false};
    mutable std::mutex errorMutex_;  // the thread may stop hearing, and says why
    std::string error_;
    // Last, so that it stops before the rest goes.
    PollThread thread_;
};

}  // namespace vorn::hid
