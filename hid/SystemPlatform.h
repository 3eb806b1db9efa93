// The HID platform and the device monitor of the system the program runs on. Each backend
// (hid/linux/, ...) defines these for its own system; CMake builds the one of the target
// system into vorn_hid_system, so that no program names a backend.
#pragma once

#include <memory>

#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"

namespace vorn::hid {

std::unique_ptr<HidPlatform> MakeSystemHidPlatform();

// Listens from the moment it is made: make it before the first scan, so that a keyboard
// plugged in meanwhile is heard of.
std::unique_ptr<DeviceMonitor> MakeSystemDeviceMonitor();

}  // namespace vorn::hid
