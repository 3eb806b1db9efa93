// The hidraw ioctls the backend uses, on an open /dev/hidrawN. Each returns 0 or the
// errno of the failed call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hid/HidPlatform.h"

namespace vorn::hid {

// The kernel encodes a feature report's length in 14 bits of the request number.
inline constexpr std::size_t kMaxFeatureReport = (1u << 14) - 1;

// HIDIOCSFEATURE: sends `length` bytes, report ID first.
int HidrawSetFeature(int fd, const std::uint8_t* report, std::size_t length);
// HIDIOCGFEATURE: byte 0 names the report ID on entry; fills up to `length` bytes.
int HidrawGetFeature(int fd, std::uint8_t* report, std::size_t length);
// HIDIOCGRDESCSIZE + HIDIOCGRDESC.
int HidrawReportDescriptor(int fd, std::vector<std::uint8_t>& descriptor);
// HIDIOCGRAWINFO.
int HidrawAttributes(int fd, HidAttributes& attributes);

}  // namespace vorn::hid
