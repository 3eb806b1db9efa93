// Reading, checking and handing over the keyboard's reply.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "LinkTestRig.h"
#include "hid/LinkProtocol.h"

namespace vorn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A reply packet with length byte `l` and a correct checksum; data bytes count up from 1.
Bytes Reply(std::uint8_t command, std::uint8_t status, int l) {
    Bytes packet{0xED, static_cast<std::uint8_t>(l), command, status};
    for (int i = 4; i <= l; ++i) packet.push_back(static_cast<std::uint8_t>(i - 3));
    packet.resize(static_cast<std::size_t>(l) + 1);
    packet.push_back(hid::Checksum(packet.data(), packet.size()));
    return packet;
}

struct Read {
    std::uint8_t status = 0;
    std::uint8_t length = 0;
    std::array<std::uint8_t, 252> data{};
};

Read ReadBlock(hid::Link& link, std::uint8_t block = 0) {
    Read read;
    read.status = link.ReadKeymapBlock(read.data.data(), block, read.length);
    return read;
}

struct Assembly {
    int reportLength;
    int l;
    int reads;  // get-feature calls: the first report, continuation reports, the dropped one
};

class LinkReplyAssembly : public testing::TestWithParam<Assembly> {};

// The data arrive whole and in order, and the reader makes exactly the reads the length
// byte calls for (the keyboard would otherwise be left with a report of this reply).
TEST_P(LinkReplyAssembly, ReassemblesTheWholeReply) {
    const auto [r, l, reads] = GetParam();
    LinkRig rig(r);
    rig.keyboard.QueueRawReply(Reply(hid::CMD_READ_KEYMAP, 0x00, l));
    const Read read = ReadBlock(rig.link);
    ASSERT_EQ(read.status, hid::HID_OK);
    ASSERT_EQ(read.length, l - 3);
    for (int i = 0; i < l - 3; ++i) ASSERT_EQ(read.data[i], i + 1) << "data byte " << i;
    EXPECT_EQ(rig.keyboard.GetFeatureCalls(), static_cast<std::uint64_t>(reads));
    EXPECT_TRUE(rig.link.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheFirstReport, LinkReplyAssembly,
    testing::Values(Assembly{9, 5, 1},     // ED 05 2C 00 d0 d1 x fits the first report
                    Assembly{9, 7, 1},     // L = R - 2
                    Assembly{9, 8, 3},     // L = R - 1: two continuation reads, first kept
                    Assembly{9, 9, 3},     // L = R
                    Assembly{9, 10, 3},    // 12 bytes: packet bytes 10 and 11 in report 1
                    Assembly{9, 18, 3},    // the last byte that report 1 holds
                    Assembly{9, 19, 4},    // one more: a second continuation report
                    Assembly{5, 3, 1},     // L = R - 2
                    Assembly{5, 4, 3},     // L = R - 1
                    Assembly{5, 5, 3},     // L = R
                    Assembly{3, 3, 3},     // L = R
                    Assembly{20, 18, 1},   // L = R - 2
                    Assembly{20, 19, 3},   // L = R - 1
                    Assembly{20, 20, 3},   // L = R
                    Assembly{20, 100, 6},  // c = ceil(81 / 21) = 4
                    Assembly{20, 254, 14},
                    Assembly{20, 255, 14},  // the longest reply: 273 assembled bytes
                    Assembly{2, 255, 87},   // R = 2: c = ceil(254 / 3) = 85
                    Assembly{19, 255, 14}));

TEST(LinkReply, WrongChecksumFailsAndKeepsTheLinkOpen) {
    LinkRig rig;
    rig.keyboard.FaultNext({.badChecksum = true});
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_CHECKSUM);
    EXPECT_TRUE(rig.link.IsOpen());
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_OK);
}

// Every data byte of a long reply is covered by the checksum.
TEST(LinkReply, ChecksumCoversTheLastContinuationReport) {
    LinkRig rig(20);
    Bytes reply = Reply(hid::CMD_READ_KEYMAP, 0x00, 255);
    reply[255] ^= 0x80;
    rig.keyboard.QueueRawReply(reply);
    const Read read = ReadBlock(rig.link);
    EXPECT_EQ(read.status, hid::HID_ERR_CHECKSUM);
    EXPECT_EQ(read.length, 0);
}

// A length byte below 3 leaves no room for a status: a failure, never a wrapped count.
TEST(LinkReply, ReplyTooShortForAStatusFails) {
    for (int r : {2, 3, 9, 20}) {
        for (const Bytes& reply :
             {Bytes{0xED, 0x00, 0xED}, Bytes{0xED, 0x01, 0xEC}, Bytes{0xED, 0x02, 0x2B, 0xC4}}) {
            SCOPED_TRACE(testing::Message() << "R = " << r << ", L = " << int{reply[1]});
            LinkRig rig(r);
            rig.keyboard.QueueRawReply(reply);
            const Read read = ReadBlock(rig.link);
            EXPECT_NE(read.status, hid::HID_OK);
            EXPECT_EQ(read.length, 0);
            EXPECT_TRUE(rig.link.IsOpen());
        }
    }
    LinkRig rig;
    rig.keyboard.QueueRawReply({0xED, 0x02, 0x2B, 0xC4});
    EXPECT_EQ(ReadBlock(rig.link).status, hid::HID_ERR_SHORT_REPLY);
}

struct Copying {
    std::uint8_t replyCommand;
    bool copied;
};

class LinkReplyData : public testing::TestWithParam<Copying> {};

// The count is handed over for every reply; the data only for the codes that carry data.
TEST_P(LinkReplyData, CopiedOnlyForDataReplies) {
    LinkRig rig;
    rig.keyboard.QueueRawReply(Reply(GetParam().replyCommand, 0x00, 6));
    const Read read = ReadBlock(rig.link);
    EXPECT_EQ(read.status, hid::HID_OK);
    EXPECT_EQ(read.length, 3);
    const std::array<std::uint8_t, 3> expected =
        GetParam().copied ? std::array<std::uint8_t, 3>{1, 2, 3} : std::array<std::uint8_t, 3>{};
    EXPECT_EQ((std::array<std::uint8_t, 3>{read.data[0], read.data[1], read.data[2]}), expected);
}

INSTANTIATE_TEST_SUITE_P(ReplyCodes, LinkReplyData,
                         testing::Values(Copying{0x2B, true}, Copying{0x2C, true},
                                         Copying{0xB0, true}, Copying{0x29, false},
                                         Copying{0x2A, false}, Copying{0x47, false},
                                         Copying{0x00, false}, Copying{0xED, false}));

// The reply's command code is not compared with the request's.
TEST(LinkReply, PropertyReadFromADataReplyOfAnyRequest) {
    LinkRig rig;
    rig.keyboard.QueueRawReply(Reply(0xB0, 0x00, 6));
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
    EXPECT_EQ(size, 0x0102);
    EXPECT_EQ(count, 3);
}

TEST(LinkReply, KeyboardStatusPassesThroughUnchanged) {
    LinkRig rig;
    for (std::uint8_t status : {0x01, 0x12, 0x7F, 0xE1, 0xFF}) {
        rig.keyboard.FaultNext({.status = status});
        EXPECT_EQ(rig.link.EraseSlot(2), status);
    }
    EXPECT_EQ(rig.keyboard.Slot(2).erases, 0);
}

}  // namespace
}  // namespace vorn::test
