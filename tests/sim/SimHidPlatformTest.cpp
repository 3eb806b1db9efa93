// The simulated platform: enumeration, opening, capabilities, removal and injected faults.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/SimHidPlatform.h"

namespace vorn::sim {
namespace {

using hid::HidCall;
using Op = SimHidPlatform::Op;

std::vector<std::string> Enumerate(SimHidPlatform& platform) {
    hid::InterfaceSet set = hid::kInvalidSet;
    std::vector<std::string> paths;
    if (platform.OpenInterfaceSet(hid::kHidInterfaceClass, set) != HidCall::kOk) return paths;
    for (int i = 0; platform.EnumInterface(set, i) == HidCall::kOk; ++i) {
        std::string path;
        EXPECT_EQ(platform.GetInterfacePath(set, i, path), HidCall::kOk);
        paths.push_back(path);
    }
    EXPECT_EQ(platform.CloseInterfaceSet(set), HidCall::kOk);
    return paths;
}

TEST(SimHidPlatform, EnumeratesInAttachOrderAndTellsTheListener) {
    SimHidPlatform platform;
    std::vector<std::pair<std::string, bool>> changes;
    platform.SetChangeListener(
        [&](const std::string& p, bool arrived) { changes.emplace_back(p, arrived); });
    platform.Attach({.path = "b", .vendorId = 0x0A34});
    platform.Attach({.path = "a", .vendorId = 0x1234, .usage = 0x0006});
    platform.Attach({.path = "c", .vendorId = 0x0F39});
    platform.Detach("a");
    EXPECT_EQ(Enumerate(platform), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(changes, (std::vector<std::pair<std::string, bool>>{
                           {"b", true}, {"a", true}, {"c", true}, {"a", false}}));
    EXPECT_EQ(platform.Keyboard("a"), nullptr);
    EXPECT_NE(platform.Keyboard("c"), nullptr);
}

TEST(SimHidPlatform, OtherInterfaceClassesAreEmpty) {
    SimHidPlatform platform;
    platform.Attach({.path = "a"});
    hid::InterfaceSet set = hid::kInvalidSet;
    ASSERT_EQ(platform.OpenInterfaceSet(hid::HidGuid{1, 2, 3, {}}, set), HidCall::kOk);
    EXPECT_EQ(platform.EnumInterface(set, 0), HidCall::kEnd);
}

TEST(SimHidPlatform, AnswersAttributesAndCapsFromTheSpec) {
    SimHidPlatform platform;
    platform.Attach({.path = "k",
                     .vendorId = 0x0F39,
                     .productId = 0x0211,
                     .usage = 0x0080,
                     .usagePage = 0xFF00,
                     .featureReportByteLength = 17});
    platform.Attach({.path = "locked", .openable = false});
    const hid::HidHandle handle = platform.Open("k", hid::OpenPurpose::kQuery);
    ASSERT_NE(handle, hid::kInvalidHandle);
    hid::HidAttributes attributes;
    hid::HidCaps caps;
    ASSERT_EQ(platform.GetAttributes(handle, attributes), HidCall::kOk);
    ASSERT_EQ(platform.GetCaps(handle, caps), HidCall::kOk);
    EXPECT_EQ(attributes.vendorId, 0x0F39);
    EXPECT_EQ(attributes.productId, 0x0211);
    EXPECT_EQ(caps.usage, 0x0080);
    EXPECT_EQ(caps.usagePage, 0xFF00);
    EXPECT_EQ(caps.featureReportByteLength, 17);
    EXPECT_EQ(platform.Keyboard("k")->ReportLength(), 17);
    EXPECT_EQ(platform.Open("locked", hid::OpenPurpose::kTransfer), hid::kInvalidHandle);
    EXPECT_EQ(platform.Open("absent", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
    platform.Close(handle);
    EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST(SimHidPlatform, DetachedDeviceFailsItsOpenHandles) {
    SimHidPlatform platform;
    platform.Attach({.path = "k", .featureReportByteLength = 3});
    const hid::HidHandle handle = platform.Open("k", hid::OpenPurpose::kTransfer);
    platform.Detach("k");
    std::uint8_t report[4] = {0x01};
    hid::HidCaps caps;
    EXPECT_EQ(platform.GetFeature(handle, report, sizeof report), HidCall::kFailed);
    EXPECT_EQ(platform.SetFeature(handle, report, 3), HidCall::kFailed);
    EXPECT_EQ(platform.GetCaps(handle, caps), HidCall::kFailed);
    platform.Close(handle);
    EXPECT_EQ(platform.StaleHandleUses(), 0u);
}

TEST(SimHidPlatform, CountsUsesOfHandlesNotOpen) {
    SimHidPlatform platform;
    platform.Attach({.path = "k", .featureReportByteLength = 3});
    const hid::HidHandle handle = platform.Open("k", hid::OpenPurpose::kTransfer);
    platform.Close(handle);
    std::uint8_t report[4] = {0x01};
    EXPECT_EQ(platform.GetFeature(handle, report, sizeof report), HidCall::kFailed);
    platform.Close(handle);
    EXPECT_EQ(platform.StaleHandleUses(), 2u);
}

// Every operation of the seam can be withdrawn or made to fail.
TEST(SimHidPlatform, EveryOperationCanBeWithdrawnOrFail) {
    for (HidCall injected : {HidCall::kNotAvailable, HidCall::kFailed}) {
        SimHidPlatform platform;
        platform.Attach({.path = "k", .featureReportByteLength = 3});
        const hid::HidHandle handle = platform.Open("k", hid::OpenPurpose::kTransfer);
        hid::InterfaceSet set = hid::kInvalidSet;
        ASSERT_EQ(platform.OpenInterfaceSet(hid::kHidInterfaceClass, set), HidCall::kOk);
        for (std::size_t i = 0; i < SimHidPlatform::kOpCount; ++i) {
            const Op op = static_cast<Op>(i);
            if (injected == HidCall::kNotAvailable)
                platform.SetAvailable(op, false);
            else
                platform.FailCalls(op, 1);
        }
        hid::HidGuid guid;
        hid::HidAttributes attributes;
        hid::HidCaps caps;
        std::string path;
        std::uint8_t report[4] = {0x01};
        hid::InterfaceSet other = hid::kInvalidSet;
        EXPECT_EQ(platform.GetHidGuid(guid), injected);
        EXPECT_EQ(platform.OpenInterfaceSet(hid::kHidInterfaceClass, other), injected);
        EXPECT_EQ(platform.EnumInterface(set, 0), injected);
        EXPECT_EQ(platform.GetInterfacePath(set, 0, path), injected);
        EXPECT_EQ(platform.CloseInterfaceSet(set), injected);
        EXPECT_EQ(platform.Open("k", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
        EXPECT_EQ(platform.GetAttributes(handle, attributes), injected);
        EXPECT_EQ(platform.GetCaps(handle, caps), injected);
        EXPECT_EQ(platform.SetFeature(handle, report, 3), injected);
        EXPECT_EQ(platform.GetFeature(handle, report, 4), injected);
        platform.Close(handle);
        EXPECT_EQ(platform.OpenHandles(), 1);  // the close did not happen
        platform.ClearFaults();
        EXPECT_EQ(platform.GetCaps(handle, caps), HidCall::kOk);
        EXPECT_EQ(platform.Calls(Op::kGetCaps), 2u);
    }
}

TEST(SimHidPlatform, FailuresStartAfterTheGivenNumberOfCalls) {
    SimHidPlatform platform;
    platform.Attach({.path = "k"});
    platform.FailCalls(Op::kOpen, 1, 2);
    EXPECT_NE(platform.Open("k", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
    EXPECT_NE(platform.Open("k", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
    EXPECT_EQ(platform.Open("k", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
    EXPECT_NE(platform.Open("k", hid::OpenPurpose::kQuery), hid::kInvalidHandle);
}

TEST(SimHidPlatform, CountsTransfers) {
    SimHidPlatform platform;
    platform.Attach({.path = "k", .featureReportByteLength = 3});
    const hid::HidHandle handle = platform.Open("k", hid::OpenPurpose::kTransfer);
    std::uint8_t report[4] = {0x01, 0xEA, 0x02, 0x00};
    platform.SetFeature(handle, report, 3);
    platform.GetFeature(handle, report, 4);
    platform.GetFeature(handle, report, 4);
    EXPECT_EQ(platform.Transfers(), 3u);
    platform.ResetCounters();
    EXPECT_EQ(platform.Transfers(), 0u);
}

}  // namespace
}  // namespace vorn::sim
