// Reading a HID report descriptor the way the Windows HID library sees it: one HID
// interface per top-level collection, each with its usage and usage page and with its
// report lengths. A report length is the longest report of that kind in the collection,
// in whole bytes, plus one byte for the report ID, also when the device numbers no
// reports; 0 when the collection has no report of that kind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "hid/HidPlatform.h"

namespace vorn::hid {

// The top-level collections in descriptor order, or nothing when the descriptor is
// malformed (truncated item, unbalanced collection, Pop without Push, report outside any
// collection, out-of-range report ID, size or count) or declares no collection at all.
std::optional<std::vector<HidCaps>> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace vorn::hid
