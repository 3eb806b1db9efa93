#include "hid/SystemPlatform.h"

#include "hid/windows/WindowsDeviceMonitor.h"
#include "hid/windows/WindowsHidPlatform.h"

namespace vorn::hid {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform() {
    return std::make_unique<WindowsHidPlatform>();
}

std::unique_ptr<DeviceMonitor> MakeSystemDeviceMonitor() {
    return std::make_unique<WindowsDeviceMonitor>();
}

}  // namespace vorn::hid
