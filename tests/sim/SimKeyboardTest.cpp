// The keyboard's side of the protocol, driven report by report as a host would.
#include <gtest/gtest.h>

#include <vector>

#include "sim/SimKeyboard.h"

namespace vorn::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sends `packet` cut into reports of R bytes.
void SendPacket(SimKeyboard& keyboard, const Bytes& packet) {
    const std::size_t r = static_cast<std::size_t>(keyboard.ReportLength());
    for (std::size_t offset = 0; offset < packet.size(); offset += r - 1) {
        Bytes report(r, 0x00);
        report[0] = 0x01;
        for (std::size_t i = 0; i < r - 1 && offset + i < packet.size(); ++i)
            report[1 + i] = packet[offset + i];
        ASSERT_EQ(keyboard.OnSetFeature(report.data(), report.size()), HidCall::kOk);
    }
}

Bytes Get(SimKeyboard& keyboard) {
    Bytes report(static_cast<std::size_t>(keyboard.ReportLength()) + 1, 0x00);
    report[0] = 0x01;
    EXPECT_EQ(keyboard.OnGetFeature(report.data(), report.size()), HidCall::kOk);
    return report;
}

const Bytes kGetProperty{0xEA, 0x02, 0x2C, 0xC4};

TEST(SimKeyboard, NotReadyReportsDoNotStartWithTheReplyLead) {
    SimKeyboard keyboard(9);
    EXPECT_EQ(Get(keyboard), (Bytes{0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// Packet bytes 0..R in the first report, then pieces of R + 1, then the dropped one.
TEST(SimKeyboard, ServesTheReplyAsTheHostReadsIt) {
    SimKeyboard keyboard(3);
    keyboard.SetGeometry(0x0102, 9);
    SendPacket(keyboard, kGetProperty);
    const std::uint8_t x = 0xED ^ 0x06 ^ 0x2C ^ 0x00 ^ 0x01 ^ 0x02 ^ 0x09;
    EXPECT_EQ(Get(keyboard), (Bytes{0xED, 0x06, 0x2C, 0x00}));
    EXPECT_EQ(Get(keyboard), (Bytes{0x01, 0x02, 0x09, x}));
    EXPECT_EQ(Get(keyboard), (Bytes{0x00, 0x00, 0x00, 0x00}));  // read and dropped
    EXPECT_EQ(keyboard.RepliesServed(), 1u);
    EXPECT_EQ(Get(keyboard), (Bytes{0x01, 0x00, 0x00, 0x00}));  // nothing more
}

TEST(SimKeyboard, ShortReplyNeedsNoContinuation) {
    SimKeyboard keyboard(9);
    SendPacket(keyboard, {0xEA, 0x02, 0x29, 0xC1});
    EXPECT_EQ(Get(keyboard), (Bytes{0xED, 0x03, 0x29, 0x00, 0xED ^ 0x03 ^ 0x29, 0, 0, 0, 0, 0}));
    EXPECT_EQ(keyboard.RepliesServed(), 1u);
}

TEST(SimKeyboard, PacketWithAWrongChecksumIsLoggedAndIgnored) {
    SimKeyboard keyboard(5);
    SendPacket(keyboard, {0xEA, 0x02, 0x29, 0xC0});
    ASSERT_EQ(keyboard.Log().size(), 1u);
    EXPECT_FALSE(keyboard.Log()[0].checksumOk);
    EXPECT_NE(Get(keyboard)[0], 0xED);
    EXPECT_EQ(keyboard.Block(1), Bytes(128, 0xFF));
    EXPECT_TRUE(keyboard.Block(0).empty());
    EXPECT_TRUE(keyboard.Block(5).empty());
}

// Bytes before a lead byte and the padding after a packet are not part of any packet.
TEST(SimKeyboard, ReassemblesPacketsAcrossReports) {
    SimKeyboard keyboard(4);
    const Bytes garbage{0x01, 0x00, 0x13, 0x00};
    ASSERT_EQ(keyboard.OnSetFeature(garbage.data(), garbage.size()), HidCall::kOk);
    SendPacket(keyboard,
               {0xEA, 0x05, 0x2A, 0x01, 0xAB, 0xCD, 0xEA ^ 0x05 ^ 0x2A ^ 0x01 ^ 0xAB ^ 0xCD});
    SendPacket(keyboard, {0xEA, 0x03, 0x44, 0x02, 0xAD ^ 0x02});
    EXPECT_EQ(keyboard.Commands(), (Bytes{0x2A, 0x44}));
    EXPECT_EQ(keyboard.Block(1)[0], 0xAB);
    EXPECT_EQ(keyboard.Block(1)[1], 0xCD);
    EXPECT_EQ(keyboard.Slot(2).erases, 1);
}

TEST(SimKeyboard, RefusesReportsOfTheWrongShape) {
    SimKeyboard keyboard(5);
    Bytes shortReport{0x01, 0xEA, 0x02};
    Bytes wrongId{0x02, 0xEA, 0x02, 0x2C, 0xC4};
    EXPECT_EQ(keyboard.OnSetFeature(shortReport.data(), shortReport.size()), HidCall::kFailed);
    EXPECT_EQ(keyboard.OnSetFeature(wrongId.data(), wrongId.size()), HidCall::kFailed);
    Bytes tooShortRead(5, 0x00);
    tooShortRead[0] = 0x01;
    EXPECT_EQ(keyboard.OnGetFeature(tooShortRead.data(), tooShortRead.size()), HidCall::kFailed);
    EXPECT_TRUE(keyboard.Log().empty());
}

TEST(SimKeyboard, TransferFaultsCountCalls) {
    SimKeyboard keyboard(5);
    keyboard.FailGetFeature(2, 1);
    Bytes report(6, 0x00);
    report[0] = 0x01;
    std::vector<HidCall> calls;
    for (int i = 0; i < 4; ++i)
        calls.push_back(keyboard.OnGetFeature(report.data(), report.size()));
    EXPECT_EQ(calls, (std::vector<HidCall>{HidCall::kOk, HidCall::kFailed, HidCall::kFailed,
                                           HidCall::kOk}));
    keyboard.Vanish();
    EXPECT_EQ(keyboard.OnGetFeature(report.data(), report.size()), HidCall::kFailed);
    EXPECT_EQ(keyboard.GetFeatureCalls(), 5u);
}

TEST(SimKeyboard, CommandFaultsApplyTheGivenNumberOfTimes) {
    SimKeyboard keyboard(9);
    keyboard.FaultCommand(0x29, {.status = 0x12}, 2);
    std::vector<std::uint8_t> statuses;
    for (int i = 0; i < 3; ++i) {
        SendPacket(keyboard, {0xEA, 0x02, 0x29, 0xC1});
        statuses.push_back(Get(keyboard)[3]);
    }
    EXPECT_EQ(statuses, (std::vector<std::uint8_t>{0x12, 0x12, 0x00}));
}

TEST(SimKeyboard, HeldReplyIsServedOnRelease) {
    SimKeyboard keyboard(9);
    keyboard.HoldReplies(true);
    SendPacket(keyboard, kGetProperty);
    EXPECT_EQ(Get(keyboard)[0], 0x01);
    keyboard.HoldReplies(false);
    EXPECT_EQ(Get(keyboard)[0], 0xED);
}

TEST(SimKeyboard, ScriptWritesLandInTheSlotBegunLast) {
    SimKeyboard keyboard(20);
    SendPacket(keyboard, {0xEA, 0x03, 0x45, 0x04, 0xAC ^ 0x04});
    SendPacket(keyboard, {0xEA, 0x04, 0x47, 0x00, 0x99, 0xEA ^ 0x04 ^ 0x47 ^ 0x99});
    SendPacket(keyboard, {0xEA, 0x03, 0x44, 0x05, 0xAD ^ 0x05});
    const auto slot = keyboard.Slot(4);
    EXPECT_EQ(slot.begins, 1);
    ASSERT_EQ(slot.writes.size(), 1u);
    EXPECT_EQ(slot.writes[0], (SimKeyboard::ScriptWrite{0x00, {0x99}}));
    EXPECT_EQ(keyboard.Slot(5).erases, 1);
}

}  // namespace
}  // namespace vorn::sim
