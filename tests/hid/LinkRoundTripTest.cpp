// Every command against the simulated keyboard, at the report lengths of the extremes
// and of the common keyboards.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "LinkTestRig.h"

namespace vorn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t n, std::uint8_t seed) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

class LinkRoundTrip : public testing::TestWithParam<int> {
  protected:
    LinkRig rig{GetParam()};
};

TEST_P(LinkRoundTrip, KeymapCommands) {
    rig.keyboard.SetGeometry(128, 3);
    rig.keyboard.SetBlock(2, Pattern(128, 9));
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    ASSERT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
    EXPECT_EQ(size, 128);
    EXPECT_EQ(count, 3);

    std::uint8_t block[252] = {};
    std::uint8_t length = 0;
    ASSERT_EQ(rig.link.ReadKeymapBlock(block, 2, length), hid::HID_OK);
    EXPECT_EQ(Bytes(block, block + length), Pattern(128, 9));

    ASSERT_EQ(rig.link.EraseKeymap(), hid::HID_OK);
    EXPECT_EQ(rig.keyboard.Block(2), Bytes(128, 0xFF));

    const Bytes written = Pattern(128, 1);
    ASSERT_EQ(rig.link.WriteKeymapBlock(written.size(), 1, written.data()), hid::HID_OK);
    EXPECT_EQ(rig.keyboard.Block(1), written);
    ASSERT_EQ(rig.link.ReadKeymapBlock(block, 1, length), hid::HID_OK);
    EXPECT_EQ(Bytes(block, block + length), written);
}

TEST_P(LinkRoundTrip, ScriptCommands) {
    ASSERT_EQ(rig.link.EraseSlot(3), hid::HID_OK);
    ASSERT_EQ(rig.link.BeginSlot(3), hid::HID_OK);
    std::vector<sim::SimKeyboard::ScriptWrite> sent;
    for (std::uint8_t q = 0; q < 4; ++q) {
        const Bytes instruction = Pattern(5 + q, q);
        ASSERT_EQ(rig.link.WriteScript(instruction.size(), q, instruction.data()), hid::HID_OK);
        sent.push_back({q, instruction});
    }
    const auto slot = rig.keyboard.Slot(3);
    EXPECT_EQ(slot.erases, 1);
    EXPECT_EQ(slot.begins, 1);
    EXPECT_EQ(slot.writes, sent);
    EXPECT_EQ(rig.keyboard.Commands(), (Bytes{0x44, 0x45, 0x47, 0x47, 0x47, 0x47}));
}

TEST_P(LinkRoundTrip, KeyboardRefusalsComeBackAsStatus) {
    EXPECT_EQ(rig.link.EraseSlot(10), sim::SimKeyboard::kStatusBadParameter);
    EXPECT_EQ(rig.link.WriteScript(1, 0, Bytes{1}.data()), sim::SimKeyboard::kStatusNoSlotBegun);
    std::uint8_t block[252];
    std::uint8_t length = 0;
    EXPECT_EQ(rig.link.ReadKeymapBlock(block, 200, length), sim::SimKeyboard::kStatusBadParameter);
    EXPECT_EQ(length, 0);
    EXPECT_TRUE(rig.link.IsOpen());
    EXPECT_TRUE(rig.user.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(ReportLengths, LinkRoundTrip, testing::Values(2, 3, 9, 17, 20),
                         [](const auto& info) {
                             return (std::ostringstream() << "R" << info.param).str();
                         });

}  // namespace
}  // namespace vorn::test
