#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hid/linux/ReportDescriptor.h"

namespace vorn::hid {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The boot keyboard of the HID class definition: modifier byte, reserved byte, six key
// codes in; five LEDs and three bits of padding out.
const Bytes kBootKeyboard = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,  //   Usage Minimum (224)
    0x29, 0xE7,  //   Usage Maximum (231)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data, Variable, Absolute)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x08,  //   Report Size (8)
    0x81, 0x01,  //   Input (Constant)
    0x95, 0x05,  //   Report Count (5)
    0x75, 0x01,  //   Report Size (1)
    0x05, 0x08,  //   Usage Page (LEDs)
    0x19, 0x01,  //   Usage Minimum (1)
    0x29, 0x05,  //   Usage Maximum (5)
    0x91, 0x02,  //   Output (Data, Variable, Absolute)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x03,  //   Report Size (3)
    0x91, 0x01,  //   Output (Constant)
    0x95, 0x06,  //   Report Count (6)
    0x75, 0x08,  //   Report Size (8)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x65,  //   Logical Maximum (101)
    0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
    0x19, 0x00,  //   Usage Minimum (0)
    0x29, 0x65,  //   Usage Maximum (101)
    0x81, 0x00,  //   Input (Data, Array)
    0xC0,        // End Collection
};

// A three-button mouse: the pointer's physical collection nests inside the application
// collection and makes no interface of its own.
const Bytes kMouse = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x02,  // Usage (Mouse)
    0xA1, 0x01,  // Collection (Application)
    0x09, 0x01,  //   Usage (Pointer)
    0xA1, 0x00,  //   Collection (Physical)
    0x05, 0x09,  //     Usage Page (Button)
    0x19, 0x01,  //     Usage Minimum (1)
    0x29, 0x03,  //     Usage Maximum (3)
    0x15, 0x00,  //     Logical Minimum (0)
    0x25, 0x01,  //     Logical Maximum (1)
    0x95, 0x03,  //     Report Count (3)
    0x75, 0x01,  //     Report Size (1)
    0x81, 0x02,  //     Input (Data, Variable, Absolute)
    0x95, 0x01,  //     Report Count (1)
    0x75, 0x05,  //     Report Size (5)
    0x81, 0x01,  //     Input (Constant)
    0x05, 0x01,  //     Usage Page (Generic Desktop)
    0x09, 0x30,  //     Usage (X)
    0x09, 0x31,  //     Usage (Y)
    0x15, 0x81,  //     Logical Minimum (-127)
    0x25, 0x7F,  //     Logical Maximum (127)
    0x75, 0x08,  //     Report Size (8)
    0x95, 0x02,  //     Report Count (2)
    0x81, 0x06,  //     Input (Data, Variable, Relative)
    0xC0,        //   End Collection
    0xC0,        // End Collection
};

// A keyboard that numbers its reports: keys (ID 1), media keys (ID 2), and a vendor
// collection with usage 0x80 carrying two feature reports (IDs 3 and 4).
const Bytes kKeyboardWithVendorCollection = {
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x06,        // Usage (Keyboard)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,        //   Usage Minimum (224)
    0x29, 0xE7,        //   Usage Maximum (231)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x06,        //   Report Count (6)
    0x75, 0x08,        //   Report Size (8)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x00,  //   Usage Maximum (255)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x02,        //   Report ID (2)
    0x26, 0xFF, 0x03,  //   Logical Maximum (1023)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x03,  //   Usage Maximum (1023)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
    0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
    0x09, 0x80,        // Usage (0x80)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x09, 0x81,        //   Usage (0x81)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x08,        //   Report Count (8)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0x85, 0x04,        //   Report ID (4)
    0x09, 0x82,        //   Usage (0x82)
    0x95, 0x10,        //   Report Count (16)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// The keyboard link's own interface with no report IDs: eight feature bytes.
const Bytes kVendorUnnumbered = {
    0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
    0x09, 0x80,        // Usage (0x80)
    0xA1, 0x01,        // Collection (Application)
    0x09, 0x81,        //   Usage (0x81)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x08,        //   Report Count (8)
    0xB1, 0x02,        //   Feature (Data, Variable, Absolute)
    0xC0,              // End Collection
};

std::optional<std::vector<HidCaps>> Parse(const Bytes& bytes) {
    return ParseReportDescriptor(bytes);
}

void ExpectCaps(const HidCaps& caps, std::uint16_t page, std::uint16_t usage, std::uint16_t in,
                std::uint16_t out, std::uint16_t feature) {
    EXPECT_EQ(caps.usagePage, page);
    EXPECT_EQ(caps.usage, usage);
    EXPECT_EQ(caps.inputReportByteLength, in);
    EXPECT_EQ(caps.outputReportByteLength, out);
    EXPECT_EQ(caps.featureReportByteLength, feature);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(ReportDescriptorTest, BootKeyboardCountsTheReportIdByteWithoutReportIds) {
    const auto caps = Parse(kBootKeyboard);
    ASSERT_TRUE(caps);
    ASSERT_EQ(caps->size(), 1u);
    ExpectCaps(caps->at(0), 0x01, 0x06, 9, 2, 0);
}

TEST(ReportDescriptorTest, MouseIsOneInterfaceDespiteItsNestedCollection) {
    const auto caps = Parse(kMouse);
    ASSERT_TRUE(caps);
    ASSERT_EQ(caps->size(), 1u);
    ExpectCaps(caps->at(0), 0x01, 0x02, 4, 0, 0);
}

TEST(ReportDescriptorTest, EachTopLevelCollectionHasItsOwnLongestReport) {
    const auto caps = Parse(kKeyboardWithVendorCollection);
    ASSERT_TRUE(caps);
    ASSERT_EQ(caps->size(), 3u);
    ExpectCaps(caps->at(0), 0x01, 0x06, 8, 0, 0);
    ExpectCaps(caps->at(1), 0x0C, 0x01, 3, 0, 0);
    ExpectCaps(caps->at(2), 0xFF00, 0x80, 0, 0, 17);
}

TEST(ReportDescriptorTest, NumberedAndUnnumberedFeatureReportsGiveTheSameLength) {
    Bytes numbered = kVendorUnnumbered;
    numbered.insert(numbered.begin() + 7, {0x85, 0x01});  // Report ID (1) inside
    for (const Bytes& bytes : {kVendorUnnumbered, numbered}) {
        const auto caps = Parse(bytes);
        ASSERT_TRUE(caps);
        ExpectCaps(caps->at(0), 0xFF00, 0x80, 0, 0, 9);
    }
}

TEST(ReportDescriptorTest, PartialBytesRoundUpToAWholeByte) {
    const Bytes bytes = {0x06, 0x00, 0xFF, 0x09, 0x80, 0xA1, 0x01, 0x75, 0x01, 0x95,
                         0x03, 0xB1, 0x02, 0x75, 0x08, 0x95, 0x00, 0xB1, 0x02, 0xC0};
    const auto caps = Parse(bytes);
    ASSERT_TRUE(caps);
    EXPECT_EQ(caps->at(0).featureReportByteLength, 2);
}

// Push saves report ID, size, count and usage page; Pop brings all of them back.
TEST(ReportDescriptorTest, PopRestoresTheGlobalsThatPushSaved) {
    const Bytes bytes = {
        0x05, 0x01,        // Usage Page (Generic Desktop)
        0xA4,              // Push
        0x06, 0x00, 0xFF,  //   Usage Page (Vendor 0xFF00)
        0xB4,              // Pop: Generic Desktop again
        0x09, 0x80,        // Usage (0x80)
        0xA1, 0x01,        // Collection (Application)
        0x85, 0x01,        //   Report ID (1)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x04,        //   Report Count (4)
        0xA4,              //   Push
        0x85, 0x02,        //     Report ID (2)
        0x95, 0x02,        //     Report Count (2)
        0xB1, 0x02,        //     Feature: report 2, 2 bytes
        0xB4,              //   Pop: report 1, 4 bytes per item
        0xB1, 0x02,        //   Feature
        0xB1, 0x02,        //   Feature: report 1 has 8 bytes
        0xC0,              // End Collection
    };
    const auto caps = Parse(bytes);
    ASSERT_TRUE(caps);
    ExpectCaps(caps->at(0), 0x01, 0x80, 0, 0, 9);
}

TEST(ReportDescriptorTest, LongItemsAreSkippedWhateverTheyHold) {
    // A long item whose data would read as a collection if it were taken for short items.
    const Bytes longItem = {0xFE, 0x04, 0x10, 0xA1, 0x01, 0x95, 0x40};
    const Bytes head(kVendorUnnumbered.begin(), kVendorUnnumbered.begin() + 7);
    const Bytes tail(kVendorUnnumbered.begin() + 7, kVendorUnnumbered.end());
    const auto caps = Parse(Concat({longItem, head, longItem, tail, longItem}));
    ASSERT_TRUE(caps);
    ASSERT_EQ(caps->size(), 1u);
    ExpectCaps(caps->at(0), 0xFF00, 0x80, 0, 0, 9);
}

TEST(ReportDescriptorTest, AFourByteUsageCarriesItsOwnUsagePage) {
    const Bytes bytes = {0x05, 0x01, 0x0B, 0x80, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0};
    const auto caps = Parse(bytes);
    ASSERT_TRUE(caps);
    ExpectCaps(caps->at(0), 0xFF00, 0x80, 0, 0, 0);
}

TEST(ReportDescriptorTest, OnlyTheFirstUsageBeforeACollectionNamesIt) {
    const Bytes bytes = {0x06, 0x00, 0xFF, 0x09, 0x80, 0x09, 0x06,
                         0xA1, 0x01, 0xC0, 0xA1, 0x01, 0xC0};
    const auto caps = Parse(bytes);
    ASSERT_TRUE(caps);
    ASSERT_EQ(caps->size(), 2u);
    EXPECT_EQ(caps->at(0).usage, 0x80);
    EXPECT_EQ(caps->at(1).usage, 0);  // no usage of its own
}

// Cut anywhere, a descriptor of one collection leaves an item or the collection open.
TEST(ReportDescriptorTest, EveryProperPrefixOfAOneCollectionDescriptorIsRejected) {
    for (const Bytes* good : {&kBootKeyboard, &kMouse, &kVendorUnnumbered}) {
        for (std::size_t length = 0; length < good->size(); ++length) {
            const Bytes prefix(good->begin(), good->begin() + static_cast<long>(length));
            EXPECT_FALSE(Parse(prefix)) << "length " << length;
        }
    }
}

struct MalformedCase {
    const char* what;
    Bytes bytes;
};

class MalformedDescriptorTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescriptorTest, IsNotAvailable) {
    EXPECT_FALSE(Parse(GetParam().bytes)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, MalformedDescriptorTest,
    ::testing::Values(
        MalformedCase{"no collection", {0x05, 0x01, 0x09, 0x06}},
        MalformedCase{"end without collection", {0xC0}},
        MalformedCase{"unclosed collection", {0x09, 0x80, 0xA1, 0x01, 0xA1, 0x00, 0xC0}},
        MalformedCase{"pop without push", {0xB4, 0x09, 0x80, 0xA1, 0x01, 0xC0}},
        MalformedCase{"report outside a collection", {0x75, 0x08, 0x95, 0x01, 0xB1, 0x02}},
        MalformedCase{"report id 0", {0x09, 0x80, 0xA1, 0x01, 0x85, 0x00, 0xC0}},
        MalformedCase{"report id over 255", {0x09, 0x80, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}},
        MalformedCase{"report size over 256", {0x09, 0x80, 0xA1, 0x01, 0x76, 0x01, 0x01, 0xC0}},
        MalformedCase{"report count over 12288", {0x09, 0x80, 0xA1, 0x01, 0x96, 0x01, 0x30, 0xC0}},
        MalformedCase{"reserved global tag", {0x09, 0x80, 0xA1, 0x01, 0xC4, 0xC0}},
        MalformedCase{"truncated four-byte item", {0x09, 0x80, 0xA1, 0x01, 0xC0, 0x07, 0x01}},
        MalformedCase{"truncated long item", {0x09, 0x80, 0xA1, 0x01, 0xC0, 0xFE, 0x05, 0x00}},
        MalformedCase{"long item header cut", {0x09, 0x80, 0xA1, 0x01, 0xC0, 0xFE, 0x01}},
        // 256 bits x 4096: one feature report longer than a 16-bit length.
        MalformedCase{
            "report longer than 65535 bytes",
            {0x09, 0x80, 0xA1, 0x01, 0x76, 0x00, 0x01, 0x96, 0x00, 0x10, 0xB1, 0x02, 0xC0}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(ReportDescriptorTest, PushingWithoutEndIsRejected) {
    Bytes bytes = {0x09, 0x80, 0xA1, 0x01};
    bytes.insert(bytes.end(), 1000, 0xA4);
    bytes.push_back(0xC0);
    EXPECT_FALSE(Parse(bytes));
}

TEST(ReportDescriptorTest, GarbageNeverReadsOutsideTheBytes) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes(random() % 96);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
        const auto caps = Parse(bytes);
        if (caps) {
            EXPECT_FALSE(caps->empty());
        }
    }
}

}  // namespace
}  // namespace vorn::hid
