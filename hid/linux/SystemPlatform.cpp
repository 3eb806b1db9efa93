#include "hid/SystemPlatform.h"

#include "hid/linux/LinuxDeviceMonitor.h"
#include "hid/linux/LinuxHidPlatform.h"

namespace vorn::hid {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform() {
    return std::make_unique<LinuxHidPlatform>();
}

std::unique_ptr<DeviceMonitor> MakeSystemDeviceMonitor() {
    return std::make_unique<LinuxDeviceMonitor>();
}

}  // namespace vorn::hid
