// vornctl doctor over a made-up system tree (sysfs, /dev, the udev database, logind's
// sessions and the rule folders), the printed udev rule against the one installed, and
// vornctl watch on simulated keyboards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "cli/vornctl/Doctor.h"
#include "cli/vornctl/UdevRule.h"
#include "cli/vornctl/Watch.h"
#include "sim/SimDeviceMonitor.h"
#include "sim/SimHidPlatform.h"
#include "tests/support/TempDir.h"

namespace vorn::cli::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr unsigned kUser = 1000;

class DoctorTest : public ::testing::Test {
  protected:
    void Put(const std::string& path, const std::string& text) {
        const std::filesystem::path full = dir.Path() + path;
        std::filesystem::create_directories(full.parent_path());
        vorn::test::WriteText(full.string(), text);
    }

    // A hidraw node with its sysfs entry; `openError` is what opening it gives this user.
    void Node(int number, const std::string& hidId, const std::string& name, int openError,
              bool uaccess = false) {
        const std::string node = "hidraw" + std::to_string(number);
        const std::string dev = "247:" + std::to_string(number);
        Put("/sys/class/hidraw/" + node + "/dev", dev + "\n");
        Put("/sys/class/hidraw/" + node + "/device/uevent",
            "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=" + name + "\n");
        Put("/dev/" + node, "");
        if (uaccess) Put("/run/udev/data/c" + dev, "I:1\nG:seat\nG:uaccess\nQ:uaccess\n");
        openErrors[dir.Path() + "/dev/" + node] = openError;
    }
    void OrvanePro(int number, int openError, bool uaccess = false) {
        Node(number, "0003:00000F39:00001085", "VORN Orvane Pro", openError, uaccess);
    }
    void UdevRunning() { Put("/run/udev/control", ""); }
    void RuleInstalled(const std::string& folder = "/usr/lib/udev/rules.d") {
        Put(folder + "/60-vornutil.rules", UdevRuleText());
    }
    void SeatSession() { Put("/run/systemd/sessions/2", "UID=1000\nACTIVE=1\nSEAT=seat0\n"); }

    int Run() {
        DoctorHost host;
        host.root = dir.Path();
        host.version = "vornctl 1.0.0.6";
        host.kernel = "Linux 6.1.0 x86_64";
        host.uid = kUser;
        host.openError = [this](const std::string& path) { return openErrors.at(path); };
        std::ostringstream text;
        const int status = RunDoctor(host, text);
        out = text.str();
        return status;
    }

    vorn::test::TempDir dir;
    std::map<std::string, int> openErrors;
    std::string out;
};

TEST_F(DoctorTest, ANodeTheUserMayOpenWithTheRuleInstalledIsUsable) {
    Put("/etc/os-release", "NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    UdevRunning();
    RuleInstalled();
    SeatSession();
    OrvanePro(0, 0, true);
    Node(1, "0003:0000046D:0000C52B", "Other Receiver", EACCES);  // another vendor's, closed
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(out, HasSubstr("version:       vornctl 1.0.0.6\n"));
    EXPECT_THAT(out, HasSubstr("distribution:  Debian GNU/Linux 12 (bookworm)\n"));
    EXPECT_THAT(out, HasSubstr("udev:          running\n"));
    EXPECT_THAT(out,
                HasSubstr("udev rule:     installed: /usr/lib/udev/rules.d/60-vornutil.rules\n"));
    EXPECT_THAT(out, HasSubstr("seat session:  seat0\n"));
    EXPECT_THAT(out, HasSubstr("/dev/hidraw0\t0f39:1085\tVORN Orvane Pro\tsupported (Orvane Pro), "
                               "tagged uaccess\tthis user may open it\n"));
    EXPECT_THAT(out,
                HasSubstr("/dev/hidraw1\t046d:c52b\tOther Receiver\tnot a supported keyboard\n"));
    EXPECT_THAT(out, HasSubstr("every supported keyboard can be used (1 node)"));
    EXPECT_THAT(out, HasSubstr("next step:     none\n"));
}

TEST_F(DoctorTest, NoRuleInstalledSaysHowToInstallIt) {
    UdevRunning();
    OrvanePro(0, EACCES);
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("udev rule:     not installed"));
    EXPECT_THAT(out, HasSubstr("this user may not open it: permission denied (mode 0"));
    EXPECT_THAT(out, HasSubstr("the udev rule is not installed\n"));
    EXPECT_THAT(out, HasSubstr("1 of 1 supported keyboard nodes cannot be opened"));
    EXPECT_THAT(out, HasSubstr("next step:     install the udev rule: vornctl udev-rule | sudo tee "
                               "/etc/udev/rules.d/60-vornutil.rules"));
}

TEST_F(DoctorTest, EachReasonAfterTheRuleHasItsOwnStep) {
    RuleInstalled("/etc/udev/rules.d");
    OrvanePro(0, EACCES);
    // No udev: the rule cannot apply, whatever is installed.
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("udev:          not running"));
    EXPECT_THAT(out, HasSubstr("udev rule:     installed: /etc/udev/rules.d/60-vornutil.rules\n"));
    EXPECT_THAT(out, HasSubstr("udev is not running here"));
    EXPECT_THAT(out, HasSubstr("next step:     give this user access to the node from outside"));
    // udev runs, but the node came before the rule.
    UdevRunning();
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("has not tagged the node uaccess"));
    EXPECT_THAT(out, HasSubstr("next step:     apply the rule to the keyboard: sudo udevadm"));
    // Tagged, but nobody of this uid is at the seat.
    OrvanePro(0, EACCES, true);
    Put("/run/systemd/sessions/5", "UID=1000\nACTIVE=1\nSEAT=\n");  // an ssh login
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("no active seat session for this user"));
    EXPECT_THAT(out, HasSubstr("next step:     run vornctl in a session at the computer itself"));
    // At the seat, and still no access: the access list is missing.
    SeatSession();
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("the node has no access list entry for this user"));
}

TEST_F(DoctorTest, AnOutdatedOrMaskedRuleIsNamed) {
    UdevRunning();
    Put("/usr/lib/udev/rules.d/60-vornutil.rules", "# an older rule\n");
    OrvanePro(0, EACCES);
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("(differs from what vornctl udev-rule prints)"));
    EXPECT_THAT(out, HasSubstr("is not this version's"));
    std::filesystem::create_directories(dir.Path() + "/etc/udev/rules.d");
    std::filesystem::create_symlink("/dev/null",
                                    dir.Path() + "/etc/udev/rules.d/60-vornutil.rules");
    EXPECT_EQ(Run(), 1);
    EXPECT_THAT(out, HasSubstr("udev rule:     masked: /etc/udev/rules.d/60-vornutil.rules"));
}

TEST_F(DoctorTest, NoKeyboardIsNoFaultButTheMissingRuleIsStillTheNextStep) {
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(out, HasSubstr("hidraw nodes:  0\n"));
    EXPECT_THAT(out, HasSubstr("no supported keyboard is plugged in"));
    EXPECT_THAT(out, HasSubstr("next step:     install the udev rule"));
    RuleInstalled();
    EXPECT_EQ(Run(), 0);
    EXPECT_THAT(out, HasSubstr("next step:     plug a supported keyboard in"));
    EXPECT_THAT(out, Not(HasSubstr("install the udev rule")));
}

TEST(UdevRuleTest, ThePrintedRuleIsTheInstalledFileAndCoversEveryModel) {
    EXPECT_EQ(UdevRuleText(), vorn::test::ReadText(VORN_SOURCE_DIR "/res/60-vornutil.rules"));
    const std::vector<std::string> aliases = UsbModaliases();
    ASSERT_EQ(aliases.size(), 7u);
    EXPECT_EQ(aliases.front(), "usb:v0A34p0212*");
    EXPECT_EQ(aliases.back(), "usb:v0F39p108A*");
}

TEST(WatchTest, PrintsEachArrivalAndRemovalWithTheListAfterIt) {
    sim::SimHidPlatform platform;
    sim::SimDeviceMonitor monitor(platform);
    std::atomic<bool> stop{false};
    std::ostringstream arrival;
    std::thread first([&] { RunWatch({platform, monitor, arrival, arrival, stop, 1}); });
    sim::SimHidPlatform::DeviceDescription desc;
    desc.path = "/dev/hidraw-sim0";
    desc.vendorId = 0x0F39;
    desc.productId = 0x1085;
    platform.Attach(desc);
    first.join();
    EXPECT_THAT(arrival.str(), HasSubstr("arrival: a HID interface\nkeyboards: 1\n0\tOrvane Pro\t"
                                         "0f39:1085\treport length 9\t/dev/hidraw-sim0\n"));

    std::ostringstream removal;
    std::thread second([&] { RunWatch({platform, monitor, removal, removal, stop, 1}); });
    platform.Detach(desc.path);
    second.join();
    EXPECT_THAT(removal.str(), HasSubstr("removal: a device\nkeyboards: 0\n"));
}

}  // namespace
}  // namespace vorn::cli::test
