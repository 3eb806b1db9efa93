// How transfer failures end a command, and which of them close the link.
#include <gtest/gtest.h>

#include <functional>

#include "LinkTestRig.h"

namespace vorn::test {
namespace {

using Op = sim::SimHidPlatform::Op;

struct FailureCase {
    const char* name;
    std::function<void(LinkRig&)> inject;
    std::uint8_t status;
    bool staysOpen;
};

// R = 3: the property packet takes two reports, its reply (L = 6) continuation reports.
const FailureCase kFailures[] = {
    {"send function missing", [](LinkRig& r) { r.platform.SetAvailable(Op::kSetFeature, false); },
     hid::HID_ERR_WRITE, true},
    {"first send fails", [](LinkRig& r) { r.keyboard.FailSetFeature(1); }, hid::HID_ERR_WRITE,
     false},
    {"second report of the packet fails", [](LinkRig& r) { r.keyboard.FailSetFeature(1, 1); },
     hid::HID_ERR_WRITE, false},
    {"read function missing", [](LinkRig& r) { r.platform.SetAvailable(Op::kGetFeature, false); },
     hid::HID_ERR_READ, true},
    {"first read fails", [](LinkRig& r) { r.keyboard.FailGetFeature(1); }, hid::HID_ERR_READ,
     false},
    {"continuation read fails", [](LinkRig& r) { r.keyboard.FailGetFeature(1, 1); },
     hid::HID_ERR_READ_MORE, false},
    {"dropped extra read fails", [](LinkRig& r) { r.keyboard.FailGetFeature(1, 2); },
     hid::HID_ERR_READ_MORE, false},
    {"keyboard vanished", [](LinkRig& r) { r.keyboard.Vanish(); }, hid::HID_ERR_WRITE, false},
    {"device detached", [](LinkRig& r) { r.platform.Detach(kKeyboardPath); }, hid::HID_ERR_WRITE,
     false},
};

TEST(LinkFailure, EndsTheCommandAndClosesOnlyOnAFailedCall) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        LinkRig rig(3);
        c.inject(rig);
        std::uint16_t size = 0;
        std::uint8_t count = 0;
        EXPECT_EQ(rig.link.GetProperty(size, count), c.status);
        EXPECT_EQ(rig.link.IsOpen(), c.staysOpen);
        EXPECT_EQ(rig.platform.OpenHandles(), c.staysOpen ? 1 : 0);
        EXPECT_TRUE(rig.user.Messages().empty());
        if (!c.staysOpen) {
            EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_NOT_OPEN);
        }
    }
}

// The missing function is only looked for when a continuation report is due.
TEST(LinkFailure, MissingReadFunctionDuringContinuationKeepsTheLinkOpen) {
    class LosesReadAfterFirst : public sim::SimHidPlatform {
      public:
        hid::HidCall GetFeature(hid::HidHandle h, std::uint8_t* report,
                                std::size_t length) override {
            if (reads_++ > 0) return hid::HidCall::kNotAvailable;
            return SimHidPlatform::GetFeature(h, report, length);
        }

      private:
        int reads_ = 0;  // only the reader thread reads
    };
    LosesReadAfterFirst platform;
    platform.Attach({.path = kKeyboardPath, .featureReportByteLength = 5});
    hid::Link link(platform, nullptr, kGenerousWait);
    link.Attach(platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), 5);
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    EXPECT_EQ(link.GetProperty(size, count), hid::HID_ERR_READ_MORE);
    EXPECT_TRUE(link.IsOpen());
}

TEST(LinkFailure, TimeOutShowsTheMessageAndKeepsTheLinkOpen) {
    LinkRig rig(9, kShortWait);
    rig.keyboard.FaultNext({.noReply = true});
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_TIMEOUT);
    EXPECT_EQ(rig.user.Messages(), std::vector<std::string>{"WaitForSingleObject timeout"});
    EXPECT_TRUE(rig.link.IsOpen());
    EXPECT_FALSE(rig.link.IsBusy());
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_OK);
}

TEST(LinkFailure, TimeOutWithoutAUserSeamStillFails) {
    LinkRig rig(9, kShortWait);
    rig.link.SetUser(nullptr);
    rig.keyboard.FaultNext({.noReply = true});
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_TIMEOUT);
    EXPECT_TRUE(rig.user.Messages().empty());
}

TEST(LinkFailure, CloseLinkClosesOnceAndAttachReplacesTheHandle) {
    LinkRig rig;
    rig.link.Attach(rig.platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), 9);
    EXPECT_EQ(rig.platform.OpenHandles(), 1);  // the first handle was closed
    rig.link.CloseLink();
    rig.link.CloseLink();
    rig.link.MarkClosed();
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_EQ(rig.platform.OpenHandles(), 0);
    EXPECT_EQ(rig.platform.StaleHandleUses(), 0u);
    rig.link.Attach(hid::kInvalidHandle, 9);
    EXPECT_FALSE(rig.link.IsOpen());
}

}  // namespace
}  // namespace vorn::test
