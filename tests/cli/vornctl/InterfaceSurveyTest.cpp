// The survey behind list --all takes exactly the interfaces discovery takes, and names the
// check that refused each of the others.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "cli/vornctl/InterfaceSurvey.h"
#include "hid/Discovery.h"
#include "hid/Link.h"
#include "sim/SimHidPlatform.h"
#include "state/KeyboardList.h"

namespace vorn::cli {
namespace {

using Desc = sim::SimHidPlatform::DeviceDescription;
using Op = sim::SimHidPlatform::Op;

Desc Device(int n, std::uint16_t vendor, std::uint16_t product, std::uint16_t usage = 0x0080) {
    Desc desc;
    desc.path = "/dev/hidraw-sim" + std::to_string(n);
    desc.vendorId = vendor;
    desc.productId = product;
    desc.usage = usage;
    return desc;
}

std::vector<Desc> Keyboards(int count, int first = 0) {
    std::vector<Desc> descs;
    for (int n = first; n < first + count; ++n) descs.push_back(Device(n, 0x0F39, 0x1085));
    return descs;
}

struct Mix {
    const char* name;
    std::vector<Desc> devices;
    std::function<void(sim::SimHidPlatform&)> setUp = {};
};

void PrintTo(const Mix& m, std::ostream* os) { *os << m.name; }

std::vector<std::string> Listed(const std::vector<SurveyEntry>& entries) {
    std::vector<std::string> paths;
    for (const SurveyEntry& entry : entries) {
        if (entry.finding == Finding::kKeyboard) paths.push_back(entry.path);
    }
    return paths;
}

class SurveyAgreesWithDiscovery : public ::testing::TestWithParam<Mix> {};

TEST_P(SurveyAgreesWithDiscovery, OnTheKeyboardsItTakes) {
    sim::SimHidPlatform platform;
    for (const Desc& desc : GetParam().devices) platform.Attach(desc);
    if (GetParam().setUp) GetParam().setUp(platform);
    hid::Link link(platform, nullptr);
    state::DeviceList devices;
    state::ListModel keyboards;
    state::EnumerateKeyboards(link, devices, keyboards);
    std::vector<std::string> discovered;
    for (int i = 0; i < devices.count; ++i) discovered.push_back(devices.entries[i].path);

    EXPECT_EQ(Listed(SurveyInterfaces(platform, {})), discovered);
}

std::vector<Desc> Concat(std::vector<Desc> a, const std::vector<Desc>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Mixes, SurveyAgreesWithDiscovery,
    ::testing::Values(
        Mix{"mixed",
            {Device(0, 0x1209, 1), Device(1, 0x0F39, 0x1085), Device(2, 0x0F39, 0x1085, 6),
             Device(3, 0x0A34, 0x0211), Device(4, 0x0F39, 0x9999), Device(5, 0x0F39, 0x0211)}},
        Mix{"seventeen_keyboards", Keyboards(17)},
        Mix{"keyboard_past_the_walk", Concat(Keyboards(20), Keyboards(2, 20))},
        Mix{"caps_not_available", Keyboards(2),
            [](sim::SimHidPlatform& p) { p.SetAvailable(Op::kGetCaps, false); }},
        Mix{"enumeration_not_available", Keyboards(2),
            [](sim::SimHidPlatform& p) { p.SetAvailable(Op::kEnumInterface, false); }},
        Mix{"nothing", {}}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<Finding> Findings(sim::SimHidPlatform& platform) {
    std::vector<Finding> findings;
    for (const SurveyEntry& entry : SurveyInterfaces(platform, {})) {
        findings.push_back(entry.finding);
    }
    return findings;
}

TEST(InterfaceSurvey, KeyboardsPastSixteenFindTheDeviceListFull) {
    sim::SimHidPlatform platform;
    for (const Desc& desc : Keyboards(17)) platform.Attach(desc);
    std::vector<Finding> want(16, Finding::kKeyboard);
    want.push_back(Finding::kListFull);
    EXPECT_EQ(Findings(platform), want);
}

TEST(InterfaceSurvey, InterfacesPastTheWalksBoundAreNotLookedAt) {
    constexpr int kBound = hid::kInterfaceWalkBound;
    sim::SimHidPlatform platform;
    for (const Desc& desc : Concat(Keyboards(1), Keyboards(kBound + 1, 1))) {
        platform.Attach(desc.path == "/dev/hidraw-sim1" ? Device(1, 0x1209, 1) : desc);
    }
    const std::vector<SurveyEntry> entries = SurveyInterfaces(platform, {});
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kBound + 2));
    EXPECT_EQ(entries[1].finding, Finding::kOtherVendor);
    EXPECT_EQ(entries[20].finding, Finding::kListFull);
    EXPECT_EQ(entries[kBound].finding, Finding::kBeyondWalk);
    EXPECT_EQ(DescribeFinding(entries[kBound + 1]),
              "/dev/hidraw-sim" + std::to_string(kBound + 1) +
                  "\t????:????\tnot looked at: only the first 1024 interfaces are");
}

TEST(InterfaceSurvey, MissingCapabilitiesEndTheWalkAsTheyEndDiscovery) {
    sim::SimHidPlatform platform;
    platform.Attach(Device(0, 0x1209, 1));
    for (const Desc& desc : Keyboards(2, 1)) platform.Attach(desc);
    platform.SetAvailable(Op::kGetCaps, false);
    EXPECT_EQ(Findings(platform),
              (std::vector<Finding>{Finding::kOtherVendor, Finding::kCapsMissing}));
}

TEST(InterfaceSurvey, FailedQueriesCarryThePlatformsReason) {
    sim::SimHidPlatform platform;
    for (const Desc& desc : Keyboards(3)) platform.Attach(desc);
    platform.FailCalls(Op::kGetAttributes, 1);
    platform.FailCalls(Op::kGetCaps, 1);
    const ProblemSource problems = [](hid::HidHandle) {
        return PlatformProblem{"sysfs: gone", false};
    };
    const std::vector<SurveyEntry> entries = SurveyInterfaces(platform, problems);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(DescribeFinding(entries[0]),
              "/dev/hidraw-sim0\t????:????\tnot taken: vendor and product id unreadable (sysfs: "
              "gone)");
    EXPECT_EQ(DescribeFinding(entries[1]),
              "/dev/hidraw-sim1\t0f39:1085\tnot taken: report descriptor unreadable (sysfs: gone)");
    EXPECT_EQ(entries[2].finding, Finding::kKeyboard);
}

TEST(InterfaceSurvey, EveryOpenIsClosedAgain) {
    sim::SimHidPlatform platform;
    for (const Desc& desc : Concat(Keyboards(2), {Device(2, 0x1209, 1)})) platform.Attach(desc);
    SurveyInterfaces(platform, {});
    EXPECT_EQ(platform.OpenHandles(), 0);
    EXPECT_EQ(platform.StaleHandleUses(), 0u);
}

TEST(InterfaceSurvey, PermissionReasonsAreTheSystemsTextsForEaccesAndEperm) {
    EXPECT_TRUE(IsPermissionReason(std::string("open /dev/hidraw0: ") + std::strerror(EACCES)));
    EXPECT_TRUE(IsPermissionReason(std::string("open /dev/hidraw0: ") + std::strerror(EPERM)));
    EXPECT_FALSE(IsPermissionReason(std::string("open /dev/hidraw0: ") + std::strerror(ENOENT)));
    EXPECT_FALSE(IsPermissionReason(""));
}

}  // namespace
}  // namespace vorn::cli
