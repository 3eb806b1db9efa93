// The Linux backend over a sysfs tree made in a temporary folder: what it reads, in which
// order it lists interfaces, and how it fails. The hidraw ioctls themselves need a real
// device; here they only meet a regular file, which refuses them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "hid/Discovery.h"
#include "hid/linux/HidSysfs.h"
#include "hid/linux/InterfacePath.h"
#include "hid/linux/LinuxHidPlatform.h"
#include "hid/linux/UdevHidrawSource.h"

namespace vorn::hid {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Eight feature bytes under report ID 1, usage page 0xFF00, usage 0x80. Its zero bytes
// would cut a text attribute reader short.
const Bytes kLinkDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x80, 0xA1, 0x01, 0x85,
                               0x01, 0x09, 0x81, 0x15, 0x00, 0x26, 0xFF, 0x00,
                               0x75, 0x08, 0x95, 0x08, 0xB1, 0x02, 0xC0};
const Bytes kKeyboardDescriptor = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75,
                                   0x08, 0x95, 0x08, 0x81, 0x02, 0xC0};

Bytes KeyboardWithLinkCollection() {
    Bytes both = kKeyboardDescriptor;
    both.insert(both.end(), kLinkDescriptor.begin(), kLinkDescriptor.end());
    return both;
}

struct ParseHidIdCase {
    const char* uevent;
    bool found;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

class ParseHidIdTest : public ::testing::TestWithParam<ParseHidIdCase> {};

TEST_P(ParseHidIdTest, ReadsVendorAndProductFromTheHidIdLine) {
    const auto attributes = ParseHidId(GetParam().uevent);
    ASSERT_EQ(attributes.has_value(), GetParam().found) << GetParam().uevent;
    if (!attributes) return;
    EXPECT_EQ(attributes->vendorId, GetParam().vendorId);
    EXPECT_EQ(attributes->productId, GetParam().productId);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseHidIdTest,
    ::testing::Values(
        ParseHidIdCase{"DRIVER=hid-generic\nHID_ID=0003:00000F39:00001085\nHID_NAME=kb\n", true,
                       0x0F39, 0x1085},
        ParseHidIdCase{"HID_ID=0005:00000a34:00000211", true, 0x0A34, 0x0211},
        ParseHidIdCase{"HID_NAME=HID_ID=0003:00000F39:00001085\n", false, 0, 0},
        ParseHidIdCase{"HID_NAME=kb\n", false, 0, 0},
        ParseHidIdCase{"HID_ID=0003:00010F39:00001085\n", false, 0, 0},
        ParseHidIdCase{"HID_ID=0003:00000F39\n", false, 0, 0},
        ParseHidIdCase{"HID_ID=0003:00000F39:\n", false, 0, 0},
        ParseHidIdCase{"HID_ID=0003:0000zz39:00001085\n", false, 0, 0},
        ParseHidIdCase{"HID_ID=0003:00000F39:00001085:7\n", false, 0, 0},
        ParseHidIdCase{"", false, 0, 0}));

TEST(InterfacePathTest, NamesEachCollectionOfANodeWithSeveral) {
    EXPECT_EQ(InterfacePath("/dev/hidraw3", 0, 1), "/dev/hidraw3");
    EXPECT_EQ(InterfacePath("/dev/hidraw3", 0, 2), "/dev/hidraw3&col01");
    EXPECT_EQ(InterfacePath("/dev/hidraw3", 11, 12), "/dev/hidraw3&col12");
}

TEST(InterfacePathTest, SplitsOnlyAWellFormedSuffix) {
    const std::map<std::string, std::pair<std::string, int>> cases = {
        {"/dev/hidraw3", {"/dev/hidraw3", 0}},
        {"/dev/hidraw3&col01", {"/dev/hidraw3", 0}},
        {"/dev/hidraw3&col12", {"/dev/hidraw3", 11}},
        {"/dev/hidraw3&col", {"/dev/hidraw3&col", 0}},
        {"/dev/hidraw3&col00", {"/dev/hidraw3&col00", 0}},
        {"/dev/hidraw3&colx1", {"/dev/hidraw3&colx1", 0}},
    };
    for (const auto& [path, expected] : cases) {
        std::string devnode;
        int collection = -1;
        SplitInterfacePath(path, devnode, collection);
        EXPECT_EQ(devnode, expected.first) << path;
        EXPECT_EQ(collection, expected.second) << path;
    }
}

// Hands over the nodes the test put in the tree, in the order the test added them.
class FakeSource : public HidrawSource {
  public:
    explicit FakeSource(std::vector<HidrawNode>& nodes) : nodes_(nodes) {}
    bool Scan(std::vector<HidrawNode>& nodes, std::string& error) override {
        if (!error_.empty()) error = error_;
        nodes = nodes_;
        return error_.empty();
    }
    void FailWith(std::string error) { error_ = std::move(error); }

  private:
    std::vector<HidrawNode>& nodes_;
    std::string error_;
};

class LinuxSysfsTest : public ::testing::Test {
  protected:
    LinuxSysfsTest() {
        char pattern[] = "/tmp/vorn-sysfs-XXXXXX";
        root_ = mkdtemp(pattern);
        auto source = std::make_unique<FakeSource>(nodes_);
        source_ = source.get();
        platform_ = std::make_unique<LinuxHidPlatform>(std::move(source));
    }
    ~LinuxSysfsTest() override { fs::remove_all(root_); }

    // A hidraw node and its HID device folder; a null descriptor or uevent leaves the file out.
    std::string AddNode(int number, std::uint16_t vendorId, std::uint16_t productId,
                        const Bytes* descriptor) {
        char name[32];
        std::snprintf(name, sizeof name, "0003:%04X:%04X.%04X", vendorId, productId, number + 1);
        const fs::path hid = root_ / "devices" / name;
        fs::create_directories(hid);
        char uevent[128];
        std::snprintf(uevent, sizeof uevent, "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\n",
                      vendorId, productId);
        std::ofstream(hid / "uevent") << uevent;
        if (descriptor) Write(hid / "report_descriptor", *descriptor);
        const std::string devnode = (root_ / "dev" / ("hidraw" + std::to_string(number))).string();
        nodes_.push_back(HidrawNode{number, devnode, hid.string()});
        return devnode;
    }
    static void Write(const fs::path& path, const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    // Puts a regular file where the node would be: it opens, and refuses every ioctl.
    void MakeNodeOpenable(const std::string& devnode) {
        fs::create_directories(fs::path(devnode).parent_path());
        std::ofstream(devnode) << "";
    }
    std::vector<std::string> Paths() {
        InterfaceSet set = kInvalidSet;
        EXPECT_EQ(platform_->OpenInterfaceSet(kHidInterfaceClass, set), HidCall::kOk);
        std::vector<std::string> paths;
        std::string path;
        for (int i = 0; platform_->EnumInterface(set, i) == HidCall::kOk; ++i) {
            EXPECT_EQ(platform_->GetInterfacePath(set, i, path), HidCall::kOk);
            paths.push_back(path);
        }
        EXPECT_EQ(platform_->CloseInterfaceSet(set), HidCall::kOk);
        return paths;
    }
    HidCaps CapsOf(const std::string& path) {
        const HidHandle handle = platform_->Open(path, OpenPurpose::kQuery);
        HidCaps caps;
        EXPECT_EQ(platform_->GetCaps(handle, caps), HidCall::kOk) << platform_->LastError(handle);
        platform_->Close(handle);
        return caps;
    }

    fs::path root_;
    std::vector<HidrawNode> nodes_;
    FakeSource* source_ = nullptr;
    std::unique_ptr<LinuxHidPlatform> platform_;
};

TEST_F(LinuxSysfsTest, InterfacesFollowTheHidrawNumber) {
    const std::string third = AddNode(11, 0x0F39, 0x1085, &kLinkDescriptor);
    const std::string first = AddNode(2, 0x0F39, 0x1085, &kLinkDescriptor);
    const std::string second = AddNode(10, 0x0F39, 0x1085, &kLinkDescriptor);
    EXPECT_EQ(Paths(), (std::vector<std::string>{first, second, third}));
}

TEST_F(LinuxSysfsTest, ANodeWithSeveralCollectionsIsOneInterfacePerCollection) {
    const Bytes both = KeyboardWithLinkCollection();
    const std::string node = AddNode(0, 0x0F39, 0x1085, &both);
    const std::string mouse = AddNode(1, 0x046D, 0xC077, &kKeyboardDescriptor);
    EXPECT_EQ(Paths(), (std::vector<std::string>{node + "&col01", node + "&col02", mouse}));
    EXPECT_EQ(CapsOf(node + "&col01").usage, 0x06);
    const HidCaps link = CapsOf(node + "&col02");
    EXPECT_EQ(link.usage, 0x80);
    EXPECT_EQ(link.usagePage, 0xFF00);
    EXPECT_EQ(link.featureReportByteLength, 9);
}

TEST_F(LinuxSysfsTest, QueriesReadSysfsWithoutOpeningTheNode) {
    const std::string node = AddNode(4, 0x0A34, 0x0211, &kLinkDescriptor);
    Paths();
    ASSERT_FALSE(fs::exists(node));
    const HidHandle handle = platform_->Open(node, OpenPurpose::kQuery);
    ASSERT_NE(handle, kInvalidHandle) << platform_->LastError(kInvalidHandle);
    HidAttributes attributes;
    ASSERT_EQ(platform_->GetAttributes(handle, attributes), HidCall::kOk);
    EXPECT_EQ(attributes.vendorId, 0x0A34);
    EXPECT_EQ(attributes.productId, 0x0211);
    // A query handle carries no transfers.
    std::uint8_t report[9] = {1};
    EXPECT_EQ(platform_->SetFeature(handle, report, sizeof report), HidCall::kFailed);
    platform_->Close(handle);
}

TEST_F(LinuxSysfsTest, AQueryOpenNeedsAnInterfaceOfTheLatestScan) {
    const std::string node = AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    EXPECT_EQ(platform_->Open(node, OpenPurpose::kQuery), kInvalidHandle);
    Paths();
    nodes_.clear();
    Paths();
    EXPECT_EQ(platform_->Open(node, OpenPurpose::kQuery), kInvalidHandle);
    EXPECT_NE(platform_->LastError(kInvalidHandle).find(node), std::string::npos);
}

TEST_F(LinuxSysfsTest, AnUnreadableDescriptorFailsTheCapabilityQuery) {
    const Bytes cut(kLinkDescriptor.begin(), kLinkDescriptor.end() - 1);
    const std::string broken = AddNode(0, 0x0F39, 0x1085, &cut);
    const std::string missing = AddNode(1, 0x0F39, 0x1085, nullptr);
    EXPECT_EQ(Paths(), (std::vector<std::string>{broken, missing}));
    const std::map<std::string, std::string> reasons = {
        {broken, broken + ": report descriptor not readable"}, {missing, "No such file"}};
    for (const auto& [path, reason] : reasons) {
        const HidHandle handle = platform_->Open(path, OpenPurpose::kQuery);
        HidCaps caps;
        EXPECT_EQ(platform_->GetCaps(handle, caps), HidCall::kFailed) << path;
        EXPECT_NE(platform_->LastError(handle).find(reason), std::string::npos)
            << platform_->LastError(handle);
        platform_->Close(handle);
    }
}

TEST_F(LinuxSysfsTest, AMissingUeventFailsTheAttributeQuery) {
    const std::string node = AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    fs::remove(fs::path(nodes_[0].hidSyspath) / "uevent");
    Paths();
    const HidHandle handle = platform_->Open(node, OpenPurpose::kQuery);
    HidAttributes attributes;
    EXPECT_EQ(platform_->GetAttributes(handle, attributes), HidCall::kFailed);
    EXPECT_NE(platform_->LastError(handle).find("uevent"), std::string::npos);
    platform_->Close(handle);
}

TEST_F(LinuxSysfsTest, ATransferOpenOfAMissingNodeFailsNamingTheCall) {
    const std::string node = AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    Paths();
    EXPECT_EQ(platform_->Open(node, OpenPurpose::kTransfer), kInvalidHandle);
    EXPECT_EQ(platform_->LastError(kInvalidHandle), "open " + node + ": No such file or directory");
}

TEST_F(LinuxSysfsTest, FeatureReportsOnSomethingThatIsNoHidrawNodeFailWithTheIoctlsReason) {
    const Bytes both = KeyboardWithLinkCollection();
    const std::string node = AddNode(0, 0x0F39, 0x1085, &both);
    MakeNodeOpenable(node);
    Paths();
    const HidHandle handle = platform_->Open(node + "&col02", OpenPurpose::kTransfer);
    ASSERT_NE(handle, kInvalidHandle) << platform_->LastError(kInvalidHandle);
    std::uint8_t report[10] = {1};
    EXPECT_EQ(platform_->SetFeature(handle, report, 9), HidCall::kFailed);
    EXPECT_EQ(platform_->LastError(handle),
              "HIDIOCSFEATURE on " + node + ": Inappropriate ioctl for device");
    EXPECT_EQ(platform_->GetFeature(handle, report, 10), HidCall::kFailed);
    EXPECT_EQ(platform_->LastError(handle),
              "HIDIOCGFEATURE on " + node + ": Inappropriate ioctl for device");
    // The node came from the scan, so its capabilities still come from sysfs.
    HidCaps caps;
    EXPECT_EQ(platform_->GetCaps(handle, caps), HidCall::kOk);
    EXPECT_EQ(caps.usage, 0x80);
    platform_->Close(handle);
    EXPECT_EQ(platform_->SetFeature(handle, report, 9), HidCall::kFailed);
}

TEST_F(LinuxSysfsTest, ANodeOutsideTheScanIsAskedThroughItsIoctls) {
    const std::string stray = (root_ / "stray").string();
    MakeNodeOpenable(stray);
    const HidHandle handle = platform_->Open(stray, OpenPurpose::kTransfer);
    ASSERT_NE(handle, kInvalidHandle);
    HidAttributes attributes;
    EXPECT_EQ(platform_->GetAttributes(handle, attributes), HidCall::kFailed);
    EXPECT_EQ(platform_->LastError(handle),
              "HIDIOCGRAWINFO on " + stray + ": Inappropriate ioctl for device");
    HidCaps caps;
    EXPECT_EQ(platform_->GetCaps(handle, caps), HidCall::kFailed);
    EXPECT_NE(platform_->LastError(handle).find("HIDIOCGRDESC"), std::string::npos);
    platform_->Close(handle);
    platform_->Close(handle);
}

TEST_F(LinuxSysfsTest, AFailedScanIsAFailedSnapshotWithTheSourcesReason) {
    source_->FailWith("udev_enumerate_scan_devices: Permission denied");
    InterfaceSet set = kInvalidSet;
    EXPECT_EQ(platform_->OpenInterfaceSet(kHidInterfaceClass, set), HidCall::kFailed);
    EXPECT_EQ(platform_->LastError(kInvalidHandle),
              "udev_enumerate_scan_devices: Permission denied");
}

// The link's worker and the window's thread share one platform: a reason belongs to the
// handle or the thread whose call failed, and the next success there clears it.
TEST_F(LinuxSysfsTest, AReasonStaysWithItsHandleUntilTheHandleSucceeds) {
    const std::string node = AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    MakeNodeOpenable(node);
    Paths();
    const HidHandle failing = platform_->Open(node, OpenPurpose::kTransfer);
    const HidHandle other = platform_->Open(node, OpenPurpose::kTransfer);
    std::uint8_t report[9] = {1};
    ASSERT_EQ(platform_->SetFeature(failing, report, sizeof report), HidCall::kFailed);
    const std::string reason = "HIDIOCSFEATURE on " + node + ": Inappropriate ioctl for device";
    EXPECT_EQ(platform_->LastError(failing), reason);
    EXPECT_EQ(platform_->LastError(other), "");
    EXPECT_EQ(platform_->LastError(kInvalidHandle), "");
    std::thread([&] { EXPECT_EQ(platform_->LastError(kInvalidHandle), ""); }).join();
    HidCaps caps;
    ASSERT_EQ(platform_->GetCaps(other, caps), HidCall::kOk);
    EXPECT_EQ(platform_->LastError(failing), reason);
    ASSERT_EQ(platform_->GetCaps(failing, caps), HidCall::kOk);
    EXPECT_EQ(platform_->LastError(failing), "");
    platform_->Close(failing);
    platform_->Close(other);
    EXPECT_EQ(platform_->LastError(failing), "handle not open");
}

TEST_F(LinuxSysfsTest, AFailedOpenIsReportedToItsThreadAndPlatformOnly) {
    const std::string node = AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    Paths();
    const std::string reason = "open " + node + ": No such file or directory";
    std::thread([&] {
        EXPECT_EQ(platform_->Open(node, OpenPurpose::kTransfer), kInvalidHandle);
        EXPECT_EQ(platform_->LastError(kInvalidHandle), reason);
        EXPECT_EQ(platform_->LastOpenFailure(), OpenFailure::kGone);
    }).join();
    EXPECT_EQ(platform_->LastError(kInvalidHandle), "");
    EXPECT_EQ(platform_->LastOpenFailure(), OpenFailure::kUnknown);

    EXPECT_EQ(platform_->Open(node, OpenPurpose::kTransfer), kInvalidHandle);
    EXPECT_EQ(platform_->LastError(kInvalidHandle), reason);
    std::vector<HidrawNode> none;
    LinuxHidPlatform another(std::make_unique<FakeSource>(none));
    EXPECT_EQ(another.LastError(kInvalidHandle), "");
    const HidHandle query = platform_->Open(node, OpenPurpose::kQuery);
    ASSERT_NE(query, kInvalidHandle);
    EXPECT_EQ(platform_->LastError(kInvalidHandle), "");
    EXPECT_EQ(platform_->LastOpenFailure(), OpenFailure::kUnknown);
    platform_->Close(query);
}

TEST_F(LinuxSysfsTest, AnotherInterfaceClassHasNoInterfaces) {
    AddNode(0, 0x0F39, 0x1085, &kLinkDescriptor);
    InterfaceSet set = kInvalidSet;
    HidGuid other = kHidInterfaceClass;
    other.data1 ^= 1;
    ASSERT_EQ(platform_->OpenInterfaceSet(other, set), HidCall::kOk);
    EXPECT_EQ(platform_->EnumInterface(set, 0), HidCall::kEnd);
    EXPECT_EQ(platform_->CloseInterfaceSet(set), HidCall::kOk);
    EXPECT_EQ(platform_->CloseInterfaceSet(set), HidCall::kFailed);
    EXPECT_EQ(platform_->EnumInterface(set, 0), HidCall::kFailed);
}

// The whole walk over the tree: the keyboard whose node this user may not open is listed,
// and only opening it for a transfer fails.
TEST_F(LinuxSysfsTest, DiscoveryListsAKeyboardItMayNotOpen) {
    AddNode(0, 0x046D, 0xC077, &kKeyboardDescriptor);
    const Bytes both = KeyboardWithLinkCollection();
    const std::string keyboard = AddNode(1, 0x0F39, 0x1085, &both);
    Link link(*platform_, nullptr);
    const std::vector<DeviceEntry> keyboards = FindKeyboards(*platform_);
    ASSERT_EQ(keyboards.size(), 1u);
    EXPECT_EQ(keyboards[0].productId, 0x1085u);
    EXPECT_EQ(keyboards[0].path, keyboard + "&col02");
    EXPECT_EQ(keyboards[0].reportLength, 9u);
    EXPECT_FALSE(OpenKeyboard(link, keyboards[0]));
    MakeNodeOpenable(keyboard);
    EXPECT_TRUE(OpenKeyboard(link, keyboards[0]));
    EXPECT_EQ(link.ReportLength(), 9);
}

// Twenty other hidraw nodes before it (a mouse, a touchpad, a receiver have that many) do
// not hide the keyboard: the walk goes to the end of the scan.
TEST_F(LinuxSysfsTest, DiscoveryFindsAKeyboardPastTwentyOtherInterfaces) {
    for (int n = 0; n < 22; ++n) AddNode(n, 0x046D, 0xC077, &kKeyboardDescriptor);
    const std::string keyboard = AddNode(22, 0x0F39, 0x1085, &kLinkDescriptor);
    const std::vector<DeviceEntry> keyboards = FindKeyboards(*platform_);
    ASSERT_EQ(keyboards.size(), 1u);
    EXPECT_EQ(keyboards[0].path, keyboard);
}

// The machine's own hidraw nodes, usually none where the tests run: the scan must work
// without a udev daemon and give each node its /dev path.
TEST(UdevHidrawSourceTest, ScansThisMachineOrNamesTheFailingCall) {
    UdevHidrawSource source;
    std::vector<HidrawNode> nodes;
    std::string error;
    if (!source.Scan(nodes, error)) {
        EXPECT_FALSE(error.empty());
        return;
    }
    for (const HidrawNode& node : nodes) {
        EXPECT_EQ(node.devnode, "/dev/hidraw" + std::to_string(node.number));
    }
}

}  // namespace
}  // namespace vorn::hid
