// One command waits at a time; a reader left behind by a time-out disturbs nothing; the
// device may be closed from another thread while a command runs.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "LinkTestRig.h"
#include "hid/LinkProtocol.h"

namespace vorn::test {
namespace {

// Starts EraseKeymap on a thread of its own and returns once it waits for its reply.
std::future<std::uint8_t> StartWaitingCommand(LinkRig& rig) {
    rig.keyboard.HoldReplies(true);
    auto waiting = std::async(std::launch::async, [&rig] { return rig.link.EraseKeymap(); });
    EXPECT_TRUE(Eventually([&] { return rig.link.IsBusy(); }));
    return waiting;
}

// The second packet goes out before the busy flag is looked at; no message is shown.
TEST(LinkConcurrency, CommandWhileAnotherWaitsFailsAfterSending) {
    LinkRig rig;
    auto first = StartWaitingCommand(rig);
    EXPECT_EQ(rig.link.BeginSlot(1), hid::HID_ERR_TIMEOUT);
    EXPECT_EQ(rig.keyboard.Commands(), (std::vector<std::uint8_t>{0x29, 0x45}));
    EXPECT_TRUE(rig.user.Messages().empty());
    rig.keyboard.HoldReplies(false);
    EXPECT_EQ(first.get(), hid::HID_OK);
    EXPECT_FALSE(rig.link.IsBusy());
}

// A reply that comes while the time-out message is up is taken by the reader, but it
// neither fills the finished command's result nor wakes the next command.
TEST(LinkConcurrency, LateReplyDoesNotWakeTheNextCommand) {
    LinkRig rig(9, kShortWait);
    rig.keyboard.SetGeometry(64, 7);
    rig.keyboard.HoldReplies(true);
    rig.keyboard.FaultNext({.status = 0x33});
    std::atomic<bool> deliveredDuringMessage{false};
    rig.user.SetMessageHook([&](const std::string&) {
        rig.keyboard.HoldReplies(false);
        deliveredDuringMessage =
            rig.keyboard.WaitRepliesServed(1, 5s) && Eventually([&] { return !rig.link.IsBusy(); });
    });
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_TIMEOUT);
    rig.user.SetMessageHook({});
    ASSERT_TRUE(deliveredDuringMessage);

    std::uint16_t size = 0;
    std::uint8_t count = 0;
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
    EXPECT_EQ(size, 64);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(rig.user.Messages().size(), 1u);
}

// A reader that is still reading continuation reports when its command has returned
// finishes them and hands its reply to no one; the next command waits for it to end
// before sending, then gets its own reply.
TEST(LinkConcurrency, ReaderOutlivingItsCommandFinishesQuietly) {
    LinkRig rig(2, kShortWait);
    std::vector<std::uint8_t> longReply{0xED, 0xFF, 0x2B, 0x00};
    longReply.resize(256, 0x77);
    longReply.push_back(hid::Checksum(longReply.data(), longReply.size()));
    rig.keyboard.QueueRawReply(longReply);
    rig.keyboard.HoldReplies(true);
    rig.keyboard.SetLatency(500us);
    rig.user.SetMessageHook([&](const std::string&) {
        const std::uint64_t before = rig.keyboard.GetFeatureCalls();
        rig.keyboard.HoldReplies(false);
        EXPECT_TRUE(Eventually([&] { return rig.keyboard.GetFeatureCalls() >= before + 3; }));
    });
    std::vector<std::uint8_t> buffer(252, 0xAA);
    std::uint8_t length = 0xAA;
    EXPECT_EQ(rig.link.ReadKeymapBlock(buffer.data(), 0, length), hid::HID_ERR_TIMEOUT);
    rig.user.SetMessageHook({});
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(252, 0xAA));

    rig.keyboard.SetLatency(0us);
    std::uint16_t size = 0;
    std::uint8_t count = 0;
    EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
    EXPECT_EQ(size, 128);
    EXPECT_EQ(rig.keyboard.RepliesServed(), 2u);  // the long one was read to its end
}

// After the time-out the reader ends at its next empty report, without a result; the
// next command gets its own reply, not one taken by the old reader.
TEST(LinkConcurrency, ReaderStopsPollingAfterTheTimeOut) {
    LinkRig rig(9, kShortWait);
    rig.keyboard.HoldReplies(true);
    EXPECT_EQ(rig.link.EraseKeymap(), hid::HID_ERR_TIMEOUT);
    rig.keyboard.HoldReplies(false);
    for (int i = 0; i < 3; ++i) {
        std::uint16_t size = 0;
        std::uint8_t count = 0;
        EXPECT_EQ(rig.link.GetProperty(size, count), hid::HID_OK);
        EXPECT_EQ(size, 128);
    }
    EXPECT_EQ(rig.keyboard.RepliesServed(), 3u);
}

// Closing the device under a waiting command: the reader's next read finds it gone.
TEST(LinkConcurrency, MarkClosedWhileWaitingFailsTheCommand) {
    LinkRig rig;
    auto waiting = StartWaitingCommand(rig);
    rig.link.MarkClosed();
    EXPECT_EQ(waiting.get(), hid::HID_ERR_READ);
    EXPECT_FALSE(rig.link.IsOpen());
    EXPECT_FALSE(rig.link.IsBusy());
    EXPECT_EQ(rig.platform.OpenHandles(), 0);
    EXPECT_EQ(rig.platform.StaleHandleUses(), 0u);
    EXPECT_TRUE(rig.user.Messages().empty());
}

TEST(LinkConcurrency, CloseLinkWhileWaitingFailsTheCommand) {
    LinkRig rig;
    auto waiting = StartWaitingCommand(rig);
    rig.link.CloseLink();
    EXPECT_EQ(waiting.get(), hid::HID_ERR_READ);
    EXPECT_FALSE(rig.link.IsBusy());
    EXPECT_EQ(rig.platform.StaleHandleUses(), 0u);
}

// Closing while a long packet is going out: the send stops at the next report.
TEST(LinkConcurrency, MarkClosedWhileSendingFailsTheCommand) {
    LinkRig rig(2);
    rig.keyboard.SetLatency(200us);
    const std::vector<std::uint8_t> data(252, 0x42);
    auto sending = std::async(std::launch::async,
                              [&] { return rig.link.WriteScript(data.size(), 0, data.data()); });
    ASSERT_TRUE(Eventually([&] { return rig.keyboard.SetFeatureCalls() >= 10; }));
    rig.link.MarkClosed();
    EXPECT_EQ(sending.get(), hid::HID_ERR_WRITE);
    EXPECT_LT(rig.keyboard.SetFeatureCalls(), 257u);
    EXPECT_EQ(rig.platform.StaleHandleUses(), 0u);
}

// Commands from two threads at once, and the device reopened under them halfway: each
// command completes, is turned away as busy, times out (the other thread's reader took its
// reply) or fails on the device replaced under it. No handle is used after it was closed.
TEST(LinkConcurrency, CommandsFromTwoThreadsNeverRace) {
    LinkRig rig(9, kShortWait);
    auto hammer = [&] {
        int done = 0;
        for (int i = 0; i < 30; ++i) {
            const std::uint8_t status = rig.link.BeginSlot(static_cast<std::uint8_t>(i % 10));
            EXPECT_TRUE(status == hid::HID_OK || status == hid::HID_ERR_TIMEOUT ||
                        status == hid::HID_ERR_NOT_OPEN || status == hid::HID_ERR_WRITE ||
                        status == hid::HID_ERR_READ)
                << int{status};
            done += status == hid::HID_OK;
            if (i == 15)
                rig.link.Attach(rig.platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), 9);
        }
        return done;
    };
    auto other = std::async(std::launch::async, hammer);
    const int mine = hammer();
    EXPECT_GT(mine + other.get(), 0);
    EXPECT_FALSE(rig.link.IsBusy());
    EXPECT_EQ(rig.platform.StaleHandleUses(), 0u);
    EXPECT_EQ(rig.platform.OpenHandles(), 1);
}

// A link destroyed right after a time-out, its reader still inside a slow transfer,
// waits for the reader instead of leaving it to touch freed memory.
TEST(LinkConcurrency, DestroyedRightAfterATimeOut) {
    sim::SimHidPlatform platform;
    sim::SimKeyboard& keyboard = platform.Attach({.path = kKeyboardPath});
    keyboard.HoldReplies(true);
    keyboard.SetLatency(20ms);
    {
        hid::Link link(platform, nullptr, kShortWait);
        link.Attach(platform.Open(kKeyboardPath, hid::OpenPurpose::kTransfer), 9);
        EXPECT_EQ(link.EraseKeymap(), hid::HID_ERR_TIMEOUT);
    }
    EXPECT_EQ(platform.OpenHandles(), 0);
    const std::uint64_t polls = keyboard.GetFeatureCalls();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(keyboard.GetFeatureCalls(), polls);  // nobody polls any more
    EXPECT_EQ(platform.StaleHandleUses(), 0u);
}

}  // namespace
}  // namespace vorn::test
