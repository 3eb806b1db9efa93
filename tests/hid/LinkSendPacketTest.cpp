// Cutting a command packet into feature reports of R bytes.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "LinkTestRig.h"

namespace vorn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Keeps every report sent, as the keyboard got it.
class RecordingPlatform : public sim::SimHidPlatform {
  public:
    hid::HidCall SetFeature(hid::HidHandle handle, const std::uint8_t* report,
                            std::size_t length) override {
        {
            std::lock_guard lock(mutex_);
            reports_.emplace_back(report, report + length);
        }
        return SimHidPlatform::SetFeature(handle, report, length);
    }
    std::vector<Bytes> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

  private:
    std::mutex mutex_;
    std::vector<Bytes> reports_;
};

std::vector<Bytes> Send(int reportLength, const Bytes& packet) {
    RecordingPlatform platform;
    platform.Attach({.path = kKeyboardPath,
                     .featureReportByteLength = static_cast<std::uint16_t>(reportLength)});
    hid::Link link(platform, nullptr, kGenerousWait);
    link.Attach(platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), reportLength);
    EXPECT_TRUE(link.SendPacket(packet.data(), packet.size()));
    return platform.Reports();
}

struct CutCase {
    int reportLength;
    Bytes packet;
    std::vector<Bytes> reports;
};

class LinkSendPacketExamples : public testing::TestWithParam<CutCase> {};

TEST_P(LinkSendPacketExamples, CutsIntoReportsOfR) {
    EXPECT_EQ(Send(GetParam().reportLength, GetParam().packet), GetParam().reports);
}

const Bytes kProperty{0xEA, 0x02, 0x2C, 0xC4};
const Bytes kFive{0xEA, 0x03, 0x2B, 0x05, 0xC7};

INSTANTIATE_TEST_SUITE_P(
    Examples, LinkSendPacketExamples,
    testing::Values(
        CutCase{5, kProperty, {{0x01, 0xEA, 0x02, 0x2C, 0xC4}}},
        CutCase{3, kProperty, {{0x01, 0xEA, 0x02}, {0x01, 0x2C, 0xC4}}},
        CutCase{4, kProperty, {{0x01, 0xEA, 0x02, 0x2C}, {0x01, 0xC4, 0x00, 0x00}}},
        CutCase{6, kFive, {{0x01, 0xEA, 0x03, 0x2B, 0x05, 0xC7}}},
        CutCase{2, kFive, {{0x01, 0xEA}, {0x01, 0x03}, {0x01, 0x2B}, {0x01, 0x05}, {0x01, 0xC7}}}));

// Every report length the link drives, against packets of several lengths: ceil(n / (R-1))
// reports of exactly R bytes, each starting with report ID 1, whose payloads are the packet
// followed by zero padding.
TEST(LinkSendPacket, EveryReportLengthCarriesThePacketWhole) {
    for (int r = 2; r <= 20; ++r) {
        for (std::size_t n : {1u, 4u, 5u, 18u, 19u, 20u, 38u, 257u}) {
            SCOPED_TRACE(testing::Message() << "R = " << r << ", length " << n);
            Bytes packet(n);
            for (std::size_t i = 0; i < n; ++i) packet[i] = static_cast<std::uint8_t>(i + 1);
            const std::vector<Bytes> reports = Send(r, packet);
            const std::size_t payload = static_cast<std::size_t>(r) - 1;
            ASSERT_EQ(reports.size(), (n + payload - 1) / payload);
            Bytes carried;
            for (const Bytes& report : reports) {
                ASSERT_EQ(report.size(), static_cast<std::size_t>(r));
                EXPECT_EQ(report[0], 0x01);
                carried.insert(carried.end(), report.begin() + 1, report.end());
            }
            Bytes expected = packet;
            expected.resize(carried.size(), 0x00);
            EXPECT_EQ(carried, expected);
        }
    }
}

TEST(LinkSendPacket, EmptyPacketSendsNothingAndSucceeds) {
    EXPECT_TRUE(Send(9, {}).empty());
    RecordingPlatform platform;
    hid::Link closed(platform, nullptr);
    EXPECT_TRUE(closed.SendPacket(nullptr, 0));
}

TEST(LinkSendPacket, FailsWithoutSendingWhenClosedOrReportLengthUnusable) {
    const Bytes packet = kProperty;
    RecordingPlatform platform;
    platform.Attach({.path = kKeyboardPath});
    hid::Link link(platform, nullptr);
    EXPECT_FALSE(link.SendPacket(packet.data(), packet.size()));
    for (int r : {-1, 0, 1, 21, 64}) {
        link.Attach(platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), r);
        EXPECT_FALSE(link.SendPacket(packet.data(), packet.size())) << "R = " << r;
    }
    EXPECT_TRUE(platform.Reports().empty());
}

}  // namespace
}  // namespace vorn::test
