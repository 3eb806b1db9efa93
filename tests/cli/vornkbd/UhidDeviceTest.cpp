// The uhid event traffic of the virtual keyboard, against a socket that stands in for
// /dev/uhid: whole events in each direction, as the character device passes them.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "cli/vornkbd/UhidDevice.h"

namespace vorn::kbd {
namespace {

class UhidDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
        device_ = std::make_unique<UhidDevice>(fds[0]);
        kernel_ = fds[1];
    }
    void TearDown() override {
        device_.reset();
        if (kernel_ >= 0) ::close(kernel_);
    }

    // What the device wrote, one event.
    uhid_event Receive() {
        uhid_event event;
        std::memset(&event, 0, sizeof event);
        EXPECT_EQ(::read(kernel_, &event, sizeof event), static_cast<ssize_t>(sizeof event));
        return event;
    }
    void Send(const uhid_event& event) {
        ASSERT_EQ(::write(kernel_, &event, sizeof event), static_cast<ssize_t>(sizeof event));
    }
    static UhidIdentity Identity() {
        UhidIdentity identity;
        identity.name = "VORN Orvane Pro (vornkbd)";
        identity.vendorId = 0x0F39;
        identity.productId = 0x1085;
        identity.descriptor = {0x06, 0x00, 0xFF, 0xC0};
        return identity;
    }

    std::unique_ptr<UhidDevice> device_;
    int kernel_ = -1;
    sim::SimKeyboard keyboard_{9};
    std::atomic<bool> stop_{false};
};

TEST_F(UhidDeviceTest, CreateSendsTheIdsNameAndDescriptor) {
    std::string error;
    ASSERT_TRUE(device_->Create(Identity(), error)) << error;
    const uhid_event event = Receive();
    ASSERT_EQ(event.type, UHID_CREATE2);
    const uhid_create2_req& create = event.u.create2;
    EXPECT_STREQ(reinterpret_cast<const char*>(create.name), "VORN Orvane Pro (vornkbd)");
    EXPECT_EQ(create.vendor, 0x0F39u);
    EXPECT_EQ(create.product, 0x1085u);
    EXPECT_EQ(create.bus, BUS_USB);
    ASSERT_EQ(create.rd_size, 4);
    EXPECT_EQ(std::vector<std::uint8_t>(create.rd_data, create.rd_data + 4),
              (std::vector<std::uint8_t>{0x06, 0x00, 0xFF, 0xC0}));
}

TEST_F(UhidDeviceTest, ServeAnswersEachRequestUntilAskedToStop) {
    UhidResponder responder(keyboard_, nullptr);
    std::string error;
    bool served = false;
    std::thread server([&] { served = device_->Serve(responder, stop_, error, 10); });
    uhid_event get;
    std::memset(&get, 0, sizeof get);
    get.type = UHID_GET_REPORT;
    get.u.get_report = {42, 1, UHID_FEATURE_REPORT};
    Send(get);
    const uhid_event reply = Receive();
    stop_.store(true);
    server.join();

    EXPECT_TRUE(served) << error;
    EXPECT_EQ(reply.type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(reply.u.get_report_reply.id, 42u);
    EXPECT_EQ(reply.u.get_report_reply.size, 10);
}

TEST_F(UhidDeviceTest, ServeFailsWithTheReasonWhenTheNodeGoesAway) {
    UhidResponder responder(keyboard_, nullptr);
    ::close(kernel_);
    kernel_ = -1;
    std::string error;
    EXPECT_FALSE(device_->Serve(responder, stop_, error, 10));
    EXPECT_EQ(error, "read /dev/uhid: end of file");
}

TEST_F(UhidDeviceTest, DestroyRemovesACreatedDeviceOnce) {
    std::string error;
    ASSERT_TRUE(device_->Create(Identity(), error));
    Receive();
    device_->Destroy();
    device_->Destroy();
    EXPECT_EQ(Receive().type, UHID_DESTROY);
    uhid_event more;
    EXPECT_EQ(::read(kernel_, &more, sizeof more), 0);  // closed, nothing else sent
}

TEST(UhidDeviceOpen, NamesTheNodeAndTheReason) {
    UhidDevice device;
    std::string error;
    EXPECT_FALSE(device.Open("/nonexistent/uhid", error));
    EXPECT_EQ(error, "open /nonexistent/uhid: No such file or directory");
}

}  // namespace
}  // namespace vorn::kbd
