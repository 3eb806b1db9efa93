#include "cli/vornkbd/KeyboardDescriptor.h"

#include "hid/LinkProtocol.h"

namespace vorn::kbd {

namespace {

// Short items: the tag and type in the high six bits, the data size in the low two.
constexpr std::uint8_t kUsagePage2 = 0x06;
constexpr std::uint8_t kUsage1 = 0x09;
constexpr std::uint8_t kUsage2 = 0x0A;
constexpr std::uint8_t kCollection1 = 0xA1;
constexpr std::uint8_t kApplication = 0x01;
constexpr std::uint8_t kReportId1 = 0x85;
constexpr std::uint8_t kLogicalMinimum1 = 0x15;
constexpr std::uint8_t kLogicalMaximum2 = 0x26;
constexpr std::uint8_t kReportSize1 = 0x75;
constexpr std::uint8_t kReportCount1 = 0x95;
constexpr std::uint8_t kFeature1 = 0xB1;
constexpr std::uint8_t kDataVariableAbsolute = 0x02;
constexpr std::uint8_t kEndCollection = 0xC0;

std::uint8_t Low(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t High(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }

}  // namespace

std::vector<std::uint8_t> KeyboardDescriptor(std::uint16_t usage, int reportLength) {
    // One item a line.
    // clang-format off
    return {
        kUsagePage2, Low(kVendorUsagePage), High(kVendorUsagePage),
        kUsage2, Low(usage), High(usage),
        kCollection1, kApplication,
        kReportId1, hid::kReportId,
        kUsage1, 0x01,
        kLogicalMinimum1, 0x00,
        kLogicalMaximum2, 0xFF, 0x00,
        kReportSize1, 8,
        kReportCount1, static_cast<std::uint8_t>(reportLength - 1),
        kFeature1, kDataVariableAbsolute,
        kEndCollection,
    };
    // clang-format on
}

}  // namespace vorn::kbd
