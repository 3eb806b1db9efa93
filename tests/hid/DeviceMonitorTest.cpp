#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <thread>

#include "hid/DeviceMonitor.h"
#include "hid/linux/LinuxDeviceMonitor.h"
#include "sim/SimDeviceMonitor.h"

namespace vorn::hid {
namespace {

using sim::SimDeviceMonitor;
using sim::SimHidPlatform;

struct UeventCase {
    const char* action;
    const char* subsystem;
    DeviceChange change;
    bool rebuilds;
};

class UeventMappingTest : public ::testing::TestWithParam<UeventCase> {};

TEST_P(UeventMappingTest, OnlyHidrawArrivalsAndRemovalsRebuild) {
    const UeventCase& c = GetParam();
    const DeviceChange change = ClassifyUevent(c.action, c.subsystem);
    EXPECT_EQ(change, c.change);
    EXPECT_EQ(RebuildsLists(change), c.rebuilds);
}

INSTANTIATE_TEST_SUITE_P(
    Uevents, UeventMappingTest,
    ::testing::Values(UeventCase{"add", "hidraw", DeviceChange::kHidInterfaceArrived, true},
                      UeventCase{"add", "hid", DeviceChange::kOtherArrived, false},
                      UeventCase{"add", "usb", DeviceChange::kOtherArrived, false},
                      UeventCase{"add", "block", DeviceChange::kOtherArrived, false},
                      UeventCase{"remove", "hidraw", DeviceChange::kDeviceRemoved, true},
                      UeventCase{"remove", "usb", DeviceChange::kDeviceRemoved, true},
                      UeventCase{"remove", "block", DeviceChange::kDeviceRemoved, true},
                      UeventCase{"remove", "net", DeviceChange::kDeviceRemoved, true},
                      UeventCase{"change", "hidraw", DeviceChange::kOther, false},
                      UeventCase{"bind", "hid", DeviceChange::kOther, false},
                      UeventCase{"unbind", "usb", DeviceChange::kOther, false},
                      UeventCase{"", "", DeviceChange::kOther, false}));

bool Readable(int fd, int waitMs = 0) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, waitMs) == 1 && (watched.revents & POLLIN);
}

SimHidPlatform::DeviceSpec Device(std::string path) {
    SimHidPlatform::DeviceSpec desc;
    desc.path = std::move(path);
    desc.vendorId = 0x0F39;
    desc.productId = 0x1085;
    return desc;
}

TEST(SimDeviceMonitorTest, AttachAndDetachArePostedInOrderBehindTheDescriptor) {
    SimHidPlatform platform;
    SimDeviceMonitor monitor(platform);
    ASSERT_GE(monitor.Descriptor(), 0);
    EXPECT_FALSE(Readable(monitor.Descriptor()));
    platform.Attach(Device("kb0"));
    monitor.Inject(DeviceChange::kOtherArrived);
    platform.Detach("kb0");
    EXPECT_TRUE(Readable(monitor.Descriptor()));
    EXPECT_EQ(monitor.ReadPending(), (std::vector<DeviceChange>{DeviceChange::kHidInterfaceArrived,
                                                                DeviceChange::kOtherArrived,
                                                                DeviceChange::kDeviceRemoved}));
    EXPECT_FALSE(Readable(monitor.Descriptor()));
    EXPECT_TRUE(monitor.ReadPending().empty());
}

TEST(SimDeviceMonitorTest, APlatformOutlivingItsMonitorNotifiesNoOne) {
    SimHidPlatform platform;
    { SimDeviceMonitor monitor(platform); }
    platform.Attach(Device("kb0"));
    platform.Detach("kb0");
    SimDeviceMonitor later(platform);
    EXPECT_TRUE(later.ReadPending().empty());
}

// Devices come and go on another thread while this one watches the descriptor, as the
// program's event loop does.
TEST(SimDeviceMonitorTest, ChangesFromAnotherThreadAreAllSeen) {
    constexpr int kRounds = 200;
    SimHidPlatform platform;
    SimDeviceMonitor monitor(platform);
    std::thread plugger([&] {
        for (int i = 0; i < kRounds; ++i) {
            platform.Attach(Device("kb"));
            platform.Detach("kb");
        }
    });
    int arrivals = 0, removals = 0;
    while (arrivals + removals < 2 * kRounds) {
        ASSERT_TRUE(Readable(monitor.Descriptor(), 10000)) << arrivals << " " << removals;
        for (DeviceChange change : monitor.ReadPending()) {
            (change == DeviceChange::kHidInterfaceArrived ? arrivals : removals)++;
        }
    }
    plugger.join();
    EXPECT_EQ(arrivals, kRounds);
    EXPECT_EQ(removals, kRounds);
}

// Whether this machine lets us listen to udev depends on where the test runs; either way
// the monitor must say which, and reading with nothing pending must return at once.
TEST(LinuxDeviceMonitorTest, ListensOrNamesTheFailingCall) {
    LinuxDeviceMonitor monitor;
    if (monitor.Descriptor() >= 0) {
        EXPECT_TRUE(monitor.Error().empty()) << monitor.Error();
    } else {
        EXPECT_FALSE(monitor.Error().empty());
    }
    EXPECT_TRUE(monitor.ReadPending().empty());
}

}  // namespace
}  // namespace vorn::hid
