// The device monitors: how uevents map to changes, the simulated monitor's batches, and
// the thread the Linux monitor reads its socket on. Runs under ThreadSanitizer in CI.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "hid/DeviceMonitor.h"
#include "hid/linux/LinuxDeviceMonitor.h"
#include "hid/linux/PollThread.h"
#include "sim/SimDeviceMonitor.h"

namespace vorn::hid {
namespace {

using sim::SimDeviceMonitor;
using sim::SimHidPlatform;
using Batch = std::vector<DeviceChange>;
using namespace std::chrono_literals;

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

SimHidPlatform::DeviceDescription Device(std::string path) {
    SimHidPlatform::DeviceDescription desc;
    desc.path = std::move(path);
    desc.vendorId = 0x0F39;
    desc.productId = 0x1085;
    return desc;
}

// What a monitor delivered, from whichever thread it called on.
class Delivered {
  public:
    DeviceMonitor::ChangeCallback Callback() {
        return [this](Batch batch) {
            std::lock_guard lock(mutex_);
            batches_.push_back(std::move(batch));
            changed_.notify_all();
        };
    }
    std::vector<Batch> Batches() const {
        std::lock_guard lock(mutex_);
        return batches_;
    }
    bool WaitForChanges(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return Changes() >= count; });
    }
    std::size_t Changes() const {
        std::size_t count = 0;
        for (const Batch& batch : batches_) count += batch.size();
        return count;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Batch> batches_;
};

TEST(SimDeviceMonitorTest, ChangesBeforeStartComeAsOneBatchAndLaterOnesOneByOne) {
    SimHidPlatform platform;
    SimDeviceMonitor monitor(platform);
    EXPECT_TRUE(monitor.Listening());
    platform.Attach(Device("kb0"));
    monitor.Inject(DeviceChange::kOtherArrived);
    platform.Detach("kb0");
    Delivered delivered;
    monitor.Start(delivered.Callback());
    EXPECT_EQ(delivered.Batches(),
              (std::vector<Batch>{{DeviceChange::kHidInterfaceArrived, DeviceChange::kOtherArrived,
                                   DeviceChange::kDeviceRemoved}}));
    platform.Attach(Device("kb1"));
    EXPECT_EQ(delivered.Batches().size(), 2u);
    EXPECT_EQ(delivered.Batches().back(), Batch{DeviceChange::kHidInterfaceArrived});

    // Stopped, it holds changes again until the next Start.
    monitor.Stop();
    platform.Detach("kb1");
    EXPECT_EQ(delivered.Batches().size(), 2u);
    Delivered again;
    monitor.Start(again.Callback());
    EXPECT_EQ(again.Batches(), std::vector<Batch>{{DeviceChange::kDeviceRemoved}});
    EXPECT_EQ(delivered.Batches().size(), 2u);
}

TEST(SimDeviceMonitorTest, APlatformOutlivingItsMonitorNotifiesNoOne) {
    SimHidPlatform platform;
    {
        SimDeviceMonitor monitor(platform);
        Delivered delivered;
        monitor.Start(delivered.Callback());
    }
    platform.Attach(Device("kb0"));
    platform.Detach("kb0");
    SimDeviceMonitor later(platform);
    Delivered delivered;
    later.Start(delivered.Callback());
    EXPECT_TRUE(delivered.Batches().empty());
}

// Devices come and go on another thread, as a script download's worker may see them.
TEST(SimDeviceMonitorTest, ChangesFromAnotherThreadAreAllSeen) {
    constexpr int kRounds = 200;
    SimHidPlatform platform;
    SimDeviceMonitor monitor(platform);
    Delivered delivered;
    monitor.Start(delivered.Callback());
    std::thread plugger([&] {
        for (int i = 0; i < kRounds; ++i) {
            platform.Attach(Device("kb"));
            platform.Detach("kb");
        }
    });
    plugger.join();
    int arrivals = 0, removals = 0;
    for (const Batch& batch : delivered.Batches()) {
        for (DeviceChange change : batch) {
            (change == DeviceChange::kHidInterfaceArrived ? arrivals : removals)++;
        }
    }
    EXPECT_EQ(arrivals, kRounds);
    EXPECT_EQ(removals, kRounds);
}

// A callback's target that must not be touched after Stop: the test frees it right after,
// so a late callback is a use after free, and one running during Stop is a race. The test
// stops while a callback is under way, which takes a while.
struct Target {
    std::vector<DeviceChange> seen;
};
constexpr auto kCallbackTime = 200us;

enum class Ending { kStop, kDestroy };

class SimMonitorEndingTest : public ::testing::TestWithParam<Ending> {};

TEST_P(SimMonitorEndingTest, NoCallbackRunsOnceTheMonitorIsStopped) {
    SimHidPlatform platform;
    auto monitor = std::make_unique<SimDeviceMonitor>(platform);
    auto target = std::make_unique<Target>();
    std::atomic<bool> ended{false}, busy{false};
    std::atomic<int> late{0}, calls{0}, rounds{0};
    monitor->Start([&, seen = &target->seen](Batch batch) {
        busy = true;
        std::this_thread::sleep_for(kCallbackTime);
        if (ended.load()) late++;
        seen->insert(seen->end(), batch.begin(), batch.end());
        calls++;
        busy = false;
    });
    std::atomic<bool> done{false};
    std::thread plugger([&] {
        while (!done.load()) {
            platform.Attach(Device("kb"));
            platform.Detach("kb");
            rounds++;
        }
    });
    while (calls.load() < 20 || !busy.load()) std::this_thread::yield();
    if (GetParam() == Ending::kStop) {
        monitor->Stop();
    } else {
        monitor.reset();
    }
    ended = true;
    target.reset();
    const int after = rounds.load();
    while (rounds.load() < after + 20) std::this_thread::yield();
    done = true;
    plugger.join();
    EXPECT_EQ(late.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Endings, SimMonitorEndingTest,
                         ::testing::Values(Ending::kStop, Ending::kDestroy));

// A pipe stands in for the udev socket; the reader takes whatever it holds.
class PollThreadTest : public ::testing::Test {
  protected:
    PollThreadTest() {
        if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) ADD_FAILURE() << "pipe2";
    }
    ~PollThreadTest() override {
        for (int fd : fds_) ::close(fd);
    }
    void Put(const char* text) { ASSERT_GT(::write(fds_[1], text, std::strlen(text)), 0); }
    // Reads everything waiting in the pipe into `into`.
    PollThread::Reader ReaderInto(std::string& into) {
        return [this, &into] {
            char buffer[64];
            ssize_t got = 0;
            while ((got = ::read(fds_[0], buffer, sizeof buffer)) > 0) {
                std::lock_guard lock(mutex_);
                into.append(buffer, static_cast<std::size_t>(got));
                read_.notify_all();
            }
        };
    }
    bool WaitFor(const std::string& read, const std::string& text) {
        std::unique_lock lock(mutex_);
        return read_.wait_for(lock, 10s, [&] { return read == text; });
    }
    std::string Copy(const std::string& read) {
        std::lock_guard lock(mutex_);
        return read;
    }
    static PollThread::Loss NoLoss() {
        return [](std::string reason) { ADD_FAILURE() << reason; };
    }

    int fds_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable read_;
};

TEST_F(PollThreadTest, ReadsWhatWaitedAtStartThenWhateverComes) {
    PollThread thread;
    std::string read, error;
    Put("a");
    ASSERT_TRUE(thread.Start(fds_[0], ReaderInto(read), NoLoss(), error)) << error;
    EXPECT_TRUE(WaitFor(read, "a")) << Copy(read);
    Put("b");
    EXPECT_TRUE(WaitFor(read, "ab")) << Copy(read);
    thread.Stop();
    EXPECT_FALSE(thread.Running());
    // What comes while stopped waits for the next Start.
    Put("c");
    ASSERT_TRUE(thread.Start(fds_[0], ReaderInto(read), NoLoss(), error)) << error;
    EXPECT_TRUE(WaitFor(read, "abc")) << Copy(read);
    Put("d");
    EXPECT_TRUE(WaitFor(read, "abcd")) << Copy(read);
}

class PollThreadEndingTest : public PollThreadTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(PollThreadEndingTest, NoReadRunsOnceTheThreadIsStopped) {
    auto thread = std::make_unique<PollThread>();
    auto target = std::make_unique<std::string>();
    std::atomic<bool> ended{false}, done{false}, busy{false};
    std::atomic<int> late{0}, reads{0}, writes{0};
    const PollThread::Reader drain = ReaderInto(*target);
    std::string error;
    ASSERT_TRUE(thread->Start(
        fds_[0],
        [&] {
            busy = true;
            std::this_thread::sleep_for(kCallbackTime);
            if (ended.load()) late++;
            drain();
            reads++;
            busy = false;
        },
        NoLoss(), error))
        << error;
    std::thread writer([&] {
        while (!done.load()) {
            [[maybe_unused]] const ssize_t put = ::write(fds_[1], "x", 1);
            writes++;
            std::this_thread::sleep_for(100us);
        }
    });
    while (reads.load() < 20 || !busy.load()) std::this_thread::yield();
    if (GetParam() == Ending::kStop) {
        thread->Stop();
    } else {
        thread.reset();
    }
    ended = true;
    target.reset();
    const int after = writes.load();
    while (writes.load() < after + 20) std::this_thread::yield();
    done = true;
    writer.join();
    EXPECT_EQ(late.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Endings, PollThreadEndingTest,
                         ::testing::Values(Ending::kStop, Ending::kDestroy));

// Whether this machine lets us listen to udev depends on where the test runs; either way
// the monitor must say which, and starting and stopping must return at once.
TEST(LinuxDeviceMonitorTest, ListensOrNamesTheFailingCall) {
    Delivered delivered;  // outlives the monitor, which may hear of real devices
    LinuxDeviceMonitor monitor;
    if (monitor.Listening()) {
        EXPECT_TRUE(monitor.Error().empty()) << monitor.Error();
    } else {
        EXPECT_FALSE(monitor.Error().empty());
    }
    monitor.Start(delivered.Callback());
    monitor.Stop();
    monitor.Start(delivered.Callback());
}

}  // namespace
}  // namespace vorn::hid
