// Finding the supported keyboards among the present HID interfaces, and opening one of
// them as the link's device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "hid/Link.h"

namespace vorn::hid {

// The walk looks at the interfaces of the snapshot up to its end, but never at more than
// this many: a bound against an enumeration that does not end.
inline constexpr int kInterfaceWalkBound = 1024;

// A keyboard interface the walk accepted.
struct DeviceEntry {
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    std::uint32_t reportLength = 0;
    std::string path;
};

// The supported keyboards among the interfaces present now, in interface order.
std::vector<DeviceEntry> FindKeyboards(HidPlatform& hid);

// Makes `entry` the link's device. False when it cannot be opened.
bool OpenKeyboard(Link& link, const DeviceEntry& entry);

}  // namespace vorn::hid
