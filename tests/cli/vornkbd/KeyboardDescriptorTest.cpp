// The virtual keyboard's report descriptor reads, with the Linux backend's own parser, as
// the one interface discovery looks for: the usage asked for, and report length R.
#include <gtest/gtest.h>

#include "cli/vornkbd/KeyboardDescriptor.h"
#include "hid/linux/ReportDescriptor.h"

namespace vorn::kbd {
namespace {

struct Shape {
    std::uint16_t usage;
    int reportLength;
};

class KeyboardDescriptorShape : public ::testing::TestWithParam<Shape> {};

TEST_P(KeyboardDescriptorShape, ReadsAsOneCollectionWithThatUsageAndReportLength) {
    const std::vector<std::uint8_t> descriptor =
        KeyboardDescriptor(GetParam().usage, GetParam().reportLength);
    const auto collections = hid::ParseReportDescriptor(descriptor);
    ASSERT_TRUE(collections);
    ASSERT_EQ(collections->size(), 1u);
    const hid::HidCaps& caps = collections->front();
    EXPECT_EQ(caps.usage, GetParam().usage);
    EXPECT_EQ(caps.usagePage, kVendorUsagePage);
    EXPECT_EQ(caps.featureReportByteLength, GetParam().reportLength);
    EXPECT_EQ(caps.inputReportByteLength, 0);
    EXPECT_EQ(caps.outputReportByteLength, 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, KeyboardDescriptorShape,
                         ::testing::Values(Shape{0x0080, 2}, Shape{0x0080, 9}, Shape{0x0080, 20},
                                           Shape{0x0006, 9}, Shape{0x1234, 5}));

TEST(KeyboardDescriptor, TheNineByteKeyboardsDescriptorByteForByte) {
    EXPECT_EQ(KeyboardDescriptor(0x0080, 9),
              (std::vector<std::uint8_t>{0x06, 0x00, 0xFF, 0x0A, 0x80, 0x00, 0xA1, 0x01,
                                         0x85, 0x01, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF,
                                         0x00, 0x75, 0x08, 0x95, 0x08, 0xB1, 0x02, 0xC0}));
}

}  // namespace
}  // namespace vorn::kbd
