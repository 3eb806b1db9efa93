// The report descriptor of the virtual keyboard: one top-level collection with the
// keyboard link's usage, holding one feature report, ID 1, whose R - 1 data bytes make the
// feature report length R that discovery reads from it.
//
//   06 00 FF     Usage Page (vendor 0xFF00)
//   0A uu uu     Usage (the top-level usage, 0x0080 for a keyboard)
//   A1 01        Collection (Application)
//   85 01          Report ID (1)
//   09 01          Usage (1)
//   15 00          Logical Minimum (0)
//   26 FF 00       Logical Maximum (255)
//   75 08          Report Size (8)
//   95 nn          Report Count (R - 1)
//   B1 02          Feature (Data, Var, Abs)
//   C0           End Collection
#pragma once

#include <cstdint>
#include <vector>

namespace vorn::kbd {

inline constexpr std::uint16_t kVendorUsagePage = 0xFF00;

// `reportLength` is 2 to 20.
std::vector<std::uint8_t> KeyboardDescriptor(std::uint16_t usage, int reportLength);

}  // namespace vorn::kbd
