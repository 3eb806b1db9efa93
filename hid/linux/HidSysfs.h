// What the backend reads from the sysfs folder of a HID device (the parent of a hidraw
// node). These files need no permission on /dev/hidrawN, so a keyboard the user may not
// open is still recognised. The report descriptor is read as a file: it holds NUL bytes,
// at which a text attribute reader would stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/HidPlatform.h"

namespace vorn::hid {

// The kernel bounds a report descriptor at 4096 bytes.
inline constexpr std::size_t kMaxReportDescriptor = 4096;

// Vendor and product id from the HID_ID line of a HID device's uevent text,
// "HID_ID=<bus>:<vendor>:<product>" in hexadecimal. Nothing when the line is missing or
// does not read as three hexadecimal fields with 16-bit ids.
std::optional<HidAttributes> ParseHidId(std::string_view uevent);

// The whole file, at most `limit` bytes; false with the call and its reason in `error`.
bool ReadSysfsFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   std::string& error);

// `hidSyspath`/uevent read and parsed.
bool ReadHidAttributes(const std::string& hidSyspath, HidAttributes& attributes,
                       std::string& error);

// `hidSyspath`/report_descriptor read whole.
bool ReadReportDescriptor(const std::string& hidSyspath, std::vector<std::uint8_t>& descriptor,
                          std::string& error);

}  // namespace vorn::hid
