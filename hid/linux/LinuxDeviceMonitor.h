// Device changes on Linux: a libudev monitor on the "udev" source, whose events come after
// the udev rules have run, so the permissions of a new hidraw node are already in place.
// An added hidraw node is a HID interface arrival; a removal of any watched kind is a
// removal. Listening starts in the constructor.
#pragma once

#include <string>
#include <string_view>

#include "hid/DeviceMonitor.h"

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

    int Descriptor() const override;
    std::vector<DeviceChange> ReadPending() override;

    // Why Descriptor() is -1: the failing call and its reason; empty while listening.
    const std::string& Error() const { return error_; }

  private:
    bool Listen();
    bool Refuse(const char* call, int error);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int fd_ = -1;
    std::string error_;
};

}  // namespace vorn::hid
