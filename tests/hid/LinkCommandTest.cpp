// The seven commands: their packets, what they hand back, and their refusals.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "LinkTestRig.h"
#include "hid/LinkProtocol.h"

namespace vorn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using hid::Link;

struct PacketCase {
    const char* name;
    std::function<std::uint8_t(Link&)> run;
    Bytes packet;
};

const Bytes kTwo{0x10, 0x20};

const PacketCase kPackets[] = {
    {"GetProperty",
     [](Link& l) {
         std::uint16_t s;
         std::uint8_t n;
         return l.GetProperty(s, n);
     },
     {0xEA, 0x02, 0x2C, 0xC4}},
    {"ReadKeymapBlock",
     [](Link& l) {
         std::uint8_t buffer[252], length;
         return l.ReadKeymapBlock(buffer, 0x05, length);
     },
     {0xEA, 0x03, 0x2B, 0x05, 0xC2 ^ 0x05}},
    {"EraseKeymap", [](Link& l) { return l.EraseKeymap(); }, {0xEA, 0x02, 0x29, 0xC1}},
    {"WriteKeymapBlock",
     [](Link& l) { return l.WriteKeymapBlock(2, 0x01, kTwo.data()); },
     {0xEA, 0x05, 0x2A, 0x01, 0x10, 0x20, 0xEA ^ 0x05 ^ 0x2A ^ 0x01 ^ 0x10 ^ 0x20}},
    {"EraseSlot", [](Link& l) { return l.EraseSlot(3); }, {0xEA, 0x03, 0x44, 0x03, 0xAD ^ 0x03}},
    {"BeginSlot", [](Link& l) { return l.BeginSlot(9); }, {0xEA, 0x03, 0x45, 0x09, 0xAC ^ 0x09}},
    {"WriteScript",
     [](Link& l) { return l.WriteScript(2, 0x07, kTwo.data()); },
     {0xEA, 0x05, 0x47, 0x07, 0x10, 0x20, 0xEA ^ 0x05 ^ 0x47 ^ 0x07 ^ 0x10 ^ 0x20}},
};

TEST(LinkCommand, SendsItsPacket) {
    for (const PacketCase& c : kPackets) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.keyboard.SetGeometry(16, 8);
        rig.keyboard.FaultCommand(hid::CMD_WRITE_SCRIPT, {.status = 0x00});  // no slot begun
        EXPECT_EQ(c.run(rig.link), hid::HID_OK);
        const auto log = rig.keyboard.Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].packet, c.packet);
        EXPECT_TRUE(log[0].checksumOk);
    }
}

TEST(LinkCommand, ClosedLinkSendsNothing) {
    for (const PacketCase& c : kPackets) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.link.MarkClosed();
        EXPECT_EQ(c.run(rig.link), hid::HID_ERR_NOT_OPEN);
        EXPECT_EQ(rig.platform.Transfers(), 0u);
    }
}

TEST(LinkCommand, UnusableReportLengthSendsNothing) {
    for (int r : {0, 1, 21}) {
        for (const PacketCase& c : kPackets) {
            SCOPED_TRACE(testing::Message() << c.name << " at R = " << r);
            LinkRig rig;
            rig.link.Attach(rig.platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), r);
            EXPECT_EQ(c.run(rig.link), hid::HID_ERR_REPORT_LENGTH);
            EXPECT_EQ(rig.platform.Transfers(), 0u);
        }
    }
}

TEST(LinkCommand, GetPropertyReadsBigEndianBlockSize) {
    LinkRig rig;
    rig.keyboard.SetGeometry(256, 5);  // data 01 00 05
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
    EXPECT_EQ(size, 256);
    EXPECT_EQ(count, 5);
}

TEST(LinkCommand, GetPropertyZeroesItsOutputsOnAFailedReply) {
    LinkRig rig;
    for (auto fault : {sim::SimKeyboard::ReplyFault{.status = 0x12},
                       sim::SimKeyboard::ReplyFault{.badChecksum = true}}) {
        rig.keyboard.FaultNext(fault);
        std::uint16_t size = 0xAAAA;
        std::uint8_t count = 0xAA;
        EXPECT_EQ(rig.link.GetProperty(size, count), fault.status ? 0x12 : hid::HID_ERR_CHECKSUM);
        EXPECT_EQ(size, 0);
        EXPECT_EQ(count, 0);
    }
}

TEST(LinkCommand, GetPropertyLeavesItsOutputsWhenNoReplyCame) {
    LinkRig rig(9, kShortWait);
    std::uint16_t size = 0xAAAA;
    std::uint8_t count = 0xAA;
    rig.keyboard.FaultNext({.noReply = true});
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_ERR_TIMEOUT);
    rig.keyboard.FailSetFeature(1);
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_ERR_WRITE);
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_ERR_NOT_OPEN);
    EXPECT_EQ(size, 0xAAAA);
    EXPECT_EQ(count, 0xAA);
}

// The keyboard's data are handed over whatever the status, with the length it sent.
TEST(LinkCommand, ReadKeymapBlockCopiesWhateverTheStatus) {
    LinkRig rig;
    rig.keyboard.SetGeometry(40, 2);
    rig.keyboard.SetBlock(1, Bytes(40, 0x5A));
    rig.keyboard.FaultNext({.status = 0x12, .dataLength = 30});
    std::uint8_t buffer[252] = {};
    std::uint8_t length = 0;
    EXPECT_EQ(rig.link.ReadKeymapBlock(buffer, 1, length), 0x12);
    EXPECT_EQ(length, 30);
    EXPECT_EQ(Bytes(buffer, buffer + 31), [] {
        Bytes b(30, 0x5A);
        b.push_back(0x00);
        return b;
    }());
}

TEST(LinkCommand, ReadKeymapBlockAfterATimeOutHasNoLength) {
    LinkRig rig(9, kShortWait);
    rig.keyboard.FaultNext({.noReply = true});
    Bytes buffer(252, 0xAA);
    std::uint8_t length = 0xAA;
    EXPECT_EQ(rig.link.ReadKeymapBlock(buffer.data(), 0, length), hid::HID_ERR_TIMEOUT);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer, Bytes(252, 0xAA));
}

// A count above 252 would wrap the length byte: refused before anything is sent.
TEST(LinkCommand, WritesLongerThan252BytesAreRefused) {
    LinkRig rig(20);
    const Bytes data(300, 0x11);
    EXPECT_EQ(rig.link.WriteKeymapBlock(253, 0, data.data()), hid::HID_ERR_TOO_LONG);
    EXPECT_EQ(rig.link.WriteScript(253, 0, data.data()), hid::HID_ERR_TOO_LONG);
    EXPECT_EQ(rig.link.WriteScript(300, 0, data.data()), hid::HID_ERR_TOO_LONG);
    EXPECT_EQ(rig.link.WriteScript(4, 0, nullptr), hid::HID_ERR_TOO_LONG);
    EXPECT_EQ(rig.platform.Transfers(), 0u);
    EXPECT_TRUE(rig.link.IsOpen());
}

TEST(LinkCommand, WriteOf252BytesIsTheLongestPacket) {
    for (int r : {2, 9, 20}) {
        LinkRig rig(r);
        Bytes data(252);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
        EXPECT_EQ(rig.link.BeginSlot(0), hid::HID_OK);
        EXPECT_EQ(rig.link.WriteScript(252, 4, data.data()), hid::HID_OK);
        const auto slot = rig.keyboard.Slot(0);
        ASSERT_EQ(slot.writes.size(), 1u);
        EXPECT_EQ(slot.writes[0], (sim::SimKeyboard::ScriptWrite{4, data}));
        EXPECT_EQ(rig.keyboard.Log().back().packet[1], 255);
    }
}

}  // namespace
}  // namespace vorn::test
