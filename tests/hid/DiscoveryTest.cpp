#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "hid/Discovery.h"
#include "hid/ModelTable.h"
#include "sim/SimHidPlatform.h"
#include "state/KeyboardList.h"

namespace vorn::hid {
namespace {

using sim::SimHidPlatform;
// The walk is looked at through the keyboard list it fills, as the window sees it.
using state::DeviceList;
using state::EnumerateKeyboards;
using state::ListModel;
using state::OpenKeyboard;
using state::ResetDeviceList;
using Op = SimHidPlatform::Op;
using Desc = SimHidPlatform::DeviceDescription;

Desc Keyboard(std::string path, std::uint16_t vendorId, std::uint16_t productId,
              std::uint16_t reportLength = 9) {
    Desc desc;
    desc.path = std::move(path);
    desc.vendorId = vendorId;
    desc.productId = productId;
    desc.featureReportByteLength = reportLength;
    return desc;
}

Desc OrvanePro(std::string path, std::uint16_t reportLength = 9) {
    return Keyboard(std::move(path), 0x0F39, 0x1085, reportLength);
}

Desc Foreign(std::string path) { return Keyboard(std::move(path), 0x046D, 0xC31C); }

// Passes every call to the simulated platform, remembers why devices were opened, and can
// make one operation vanish after a number of good calls: a library that disappears while
// the walk is under way.
class PartWayPlatform : public HidPlatform {
  public:
    explicit PartWayPlatform(SimHidPlatform& inner) : inner_(inner) {}
    void VanishAfter(Op op, int goodCalls) { left_[op] = goodCalls; }
    const std::vector<OpenPurpose>& Purposes() const { return purposes_; }

    HidCall GetHidGuid(HidGuid& guid) override {
        return Gate(Op::kGetHidGuid, [&] { return inner_.GetHidGuid(guid); });
    }
    HidCall OpenInterfaceSet(const HidGuid& c, InterfaceSet& set) override {
        return Gate(Op::kOpenInterfaceSet, [&] { return inner_.OpenInterfaceSet(c, set); });
    }
    HidCall EnumInterface(InterfaceSet set, int index) override {
        return Gate(Op::kEnumInterface, [&] { return inner_.EnumInterface(set, index); });
    }
    HidCall GetInterfacePath(InterfaceSet set, int index, std::string& path) override {
        return Gate(Op::kGetInterfacePath,
                    [&] { return inner_.GetInterfacePath(set, index, path); });
    }
    HidCall CloseInterfaceSet(InterfaceSet set) override {
        return Gate(Op::kCloseInterfaceSet, [&] { return inner_.CloseInterfaceSet(set); });
    }
    HidHandle Open(const std::string& path, OpenPurpose purpose) override {
        purposes_.push_back(purpose);
        return inner_.Open(path, purpose);
    }
    HidCall GetAttributes(HidHandle h, HidAttributes& a) override {
        return Gate(Op::kGetAttributes, [&] { return inner_.GetAttributes(h, a); });
    }
    HidCall GetCaps(HidHandle h, HidCaps& caps) override {
        return Gate(Op::kGetCaps, [&] { return inner_.GetCaps(h, caps); });
    }
    HidCall SetFeature(HidHandle h, const std::uint8_t* r, std::size_t n) override {
        return inner_.SetFeature(h, r, n);
    }
    HidCall GetFeature(HidHandle h, std::uint8_t* r, std::size_t n) override {
        return inner_.GetFeature(h, r, n);
    }
    void Close(HidHandle h) override { inner_.Close(h); }

  private:
    template <typename Call>
    HidCall Gate(Op op, Call call) {
        const auto it = left_.find(op);
        if (it != left_.end() && it->second-- <= 0) return HidCall::kNotAvailable;
        return call();
    }

    SimHidPlatform& inner_;
    std::map<Op, int> left_;
    std::vector<OpenPurpose> purposes_;
};

class DiscoveryTest : public ::testing::Test {
  protected:
    void Enumerate() { EnumerateKeyboards(link_, devices_, keyboards_); }
    std::vector<std::string> StoredPaths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < devices_.count; ++i) paths.push_back(devices_.entries[i].path);
        return paths;
    }
    // Every interface opened for the check was closed again, and so was the snapshot.
    void ExpectNothingLeftOpen() {
        EXPECT_EQ(sim_.OpenHandles(), 0);
        EXPECT_EQ(sim_.Calls(Op::kCloseInterfaceSet), sim_.Calls(Op::kOpenInterfaceSet));
        EXPECT_EQ(sim_.StaleHandleUses(), 0u);
    }

    SimHidPlatform sim_;
    PartWayPlatform platform_{sim_};
    Link link_{platform_, nullptr};
    DeviceList devices_;
    ListModel keyboards_;
};

TEST_F(DiscoveryTest, BothTessikRowsAreListedUnderTheirName) {
    sim_.Attach(Keyboard("if0", 0x0F39, 0x0211));
    sim_.Attach(Keyboard("if1", 0x0A34, 0x0211));
    Enumerate();
    EXPECT_EQ(keyboards_.Items(), (std::vector<std::string>{"Tessik", "Tessik"}));
    ASSERT_EQ(devices_.count, 2);
    EXPECT_EQ(devices_.entries[0].vendorId, 0x0F39u);
    EXPECT_EQ(devices_.entries[1].vendorId, 0x0A34u);
    EXPECT_EQ(devices_.entries[1].productId, 0x0211u);
    ExpectNothingLeftOpen();
}

TEST_F(DiscoveryTest, AcceptedKeyboardStoresIdsPathAndReportLength) {
    sim_.Attach(Keyboard("kb", 0x0F39, 0x0876, 17));
    Enumerate();
    EXPECT_EQ(keyboards_.Items(), std::vector<std::string>{"Tessik Pro"});
    ASSERT_EQ(devices_.count, 1);
    const DeviceEntry& entry = devices_.entries[0];
    EXPECT_EQ(entry.vendorId, 0x0F39u);
    EXPECT_EQ(entry.productId, 0x0876u);
    EXPECT_EQ(entry.reportLength, 17u);
    EXPECT_EQ(entry.path, "kb");
    EXPECT_EQ(platform_.Purposes(), std::vector<OpenPurpose>{OpenPurpose::kQuery});
}

struct SkipCase {
    const char* what;
    Desc desc;
};

class DiscoverySkipTest : public DiscoveryTest, public ::testing::WithParamInterface<SkipCase> {};

// Each device is skipped, and the keyboard after it is still found.
TEST_P(DiscoverySkipTest, SkipsTheDeviceAndGoesOn) {
    sim_.Attach(GetParam().desc);
    sim_.Attach(OrvanePro("after"));
    Enumerate();
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"after"});
    EXPECT_EQ(keyboards_.Items(), std::vector<std::string>{"Orvane Pro"});
    ExpectNothingLeftOpen();
}

Desc WithUsage(Desc desc, std::uint16_t usage) {
    desc.usage = usage;
    return desc;
}

Desc Unopenable(Desc desc) {
    desc.openable = false;
    return desc;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, DiscoverySkipTest,
    ::testing::Values(SkipCase{"unknown product", Keyboard("x", 0x0F39, 0x4242)},
                      SkipCase{"product of the other vendor", Keyboard("x", 0x0A34, 0x1085)},
                      SkipCase{"keyboard usage only", WithUsage(OrvanePro("x"), 0x0006)},
                      SkipCase{"neighbouring usage", WithUsage(OrvanePro("x"), 0x0081)},
                      SkipCase{"other vendor", Foreign("x")},
                      SkipCase{"cannot be opened", Unopenable(OrvanePro("x"))}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(DiscoveryTest, TheUsagePageIsNotLookedAt) {
    Desc desc = OrvanePro("kb");
    desc.usagePage = 0x0001;
    sim_.Attach(desc);
    Enumerate();
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"kb"});
}

TEST_F(DiscoveryTest, OtherVendorsAreNotAskedForTheirCapabilities) {
    sim_.Attach(Foreign("mouse"));
    Enumerate();
    EXPECT_EQ(sim_.Calls(Op::kGetAttributes), 1u);
    EXPECT_EQ(sim_.Calls(Op::kGetCaps), 0u);
}

TEST_F(DiscoveryTest, OnlyTheInterfaceWithTheLinkUsageOfAKeyboardIsListed) {
    sim_.Attach(WithUsage(OrvanePro("kb&col01"), 0x0006));
    sim_.Attach(OrvanePro("kb&col02"));
    Enumerate();
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"kb&col02"});
}

TEST_F(DiscoveryTest, TwoKeyboardsOfOneModelAreListedInInterfaceOrder) {
    sim_.Attach(OrvanePro("second-plugged", 9));
    sim_.Attach(Foreign("mouse"));
    sim_.Attach(OrvanePro("first-plugged", 17));
    Enumerate();
    EXPECT_EQ(keyboards_.Items(), (std::vector<std::string>{"Orvane Pro", "Orvane Pro"}));
    EXPECT_EQ(StoredPaths(), (std::vector<std::string>{"second-plugged", "first-plugged"}));
    EXPECT_EQ(devices_.entries[1].reportLength, 17u);
}

// Twenty other interfaces (a mouse, a touchpad and a receiver have that many) hide no
// keyboard: the walk goes on to the end of the snapshot, and asks for no index past it.
TEST_F(DiscoveryTest, AKeyboardPastTwentyOtherInterfacesIsFound) {
    for (int i = 0; i < 20; ++i) sim_.Attach(Foreign("other" + std::to_string(i)));
    sim_.Attach(OrvanePro("index20"));
    sim_.Attach(OrvanePro("index21"));
    Enumerate();
    EXPECT_EQ(StoredPaths(), (std::vector<std::string>{"index20", "index21"}));
    EXPECT_EQ(sim_.Calls(Op::kEnumInterface), 23u);
    ExpectNothingLeftOpen();
}

TEST_F(DiscoveryTest, TheWalkStopsAtItsBound) {
    for (int i = 0; i < kInterfaceWalkBound - 1; ++i) {
        sim_.Attach(Foreign("other" + std::to_string(i)));
    }
    sim_.Attach(OrvanePro("last-looked-at"));
    sim_.Attach(OrvanePro("past-the-bound"));
    Enumerate();
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"last-looked-at"});
    EXPECT_EQ(sim_.Calls(Op::kEnumInterface), static_cast<std::size_t>(kInterfaceWalkBound));
    ExpectNothingLeftOpen();
}

TEST_F(DiscoveryTest, KeyboardsBeyondSixteenAreNeitherListedNorStored) {
    for (int i = 0; i < 18; ++i) sim_.Attach(OrvanePro("kb" + std::to_string(i)));
    Enumerate();
    EXPECT_EQ(keyboards_.Count(), DeviceList::kCapacity);
    ASSERT_EQ(devices_.count, DeviceList::kCapacity);
    EXPECT_EQ(devices_.entries[15].path, "kb15");
    ExpectNothingLeftOpen();
}

struct StopCase {
    Op op;
    int goodCalls;     // calls that still work before the operation vanishes
    int listedBefore;  // keyboards listed by then
};

class DiscoveryStopTest : public DiscoveryTest, public ::testing::WithParamInterface<StopCase> {};

// A library or function that cannot be found ends the walk where it is; whatever was
// listed until then stays listed.
TEST_P(DiscoveryStopTest, AMissingFunctionEndsTheWalkKeepingWhatWasFound) {
    for (int i = 0; i < 3; ++i) sim_.Attach(OrvanePro("kb" + std::to_string(i)));
    platform_.VanishAfter(GetParam().op, GetParam().goodCalls);
    Enumerate();
    EXPECT_EQ(devices_.count, GetParam().listedBefore);
    EXPECT_EQ(keyboards_.Count(), GetParam().listedBefore);
    EXPECT_EQ(sim_.OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, DiscoveryStopTest,
    ::testing::Values(StopCase{Op::kGetHidGuid, 0, 0}, StopCase{Op::kOpenInterfaceSet, 0, 0},
                      StopCase{Op::kEnumInterface, 0, 0}, StopCase{Op::kEnumInterface, 2, 2},
                      StopCase{Op::kGetInterfacePath, 1, 1}, StopCase{Op::kGetCaps, 0, 0},
                      StopCase{Op::kGetCaps, 2, 2}));

TEST_F(DiscoveryTest, AMissingCapabilityQueryStopsAfterClosingTheInterface) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.Attach(OrvanePro("kb1"));
    platform_.VanishAfter(Op::kGetCaps, 1);
    Enumerate();
    EXPECT_EQ(sim_.Calls(Op::kOpen), 2u);
    ExpectNothingLeftOpen();
}

TEST_F(DiscoveryTest, AMissingAttributeQuerySkipsEachInterface) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.Attach(OrvanePro("kb1"));
    sim_.SetAvailable(Op::kGetAttributes, false);
    Enumerate();
    EXPECT_EQ(devices_.count, 0);
    EXPECT_EQ(sim_.Calls(Op::kOpen), 2u);
    ExpectNothingLeftOpen();
}

TEST_F(DiscoveryTest, AMissingSnapshotReleaseKeepsTheList) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.SetAvailable(Op::kCloseInterfaceSet, false);
    Enumerate();
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"kb0"});
}

struct FailCase {
    Op op;
    std::vector<std::string> listed;
};

class DiscoveryFailTest : public DiscoveryTest, public ::testing::WithParamInterface<FailCase> {};

// A call that fails once, on the first interface.
TEST_P(DiscoveryFailTest, AFailingCallSkipsOrStopsAsItsStepSays) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.Attach(OrvanePro("kb1"));
    sim_.FailCalls(GetParam().op, 1);
    Enumerate();
    EXPECT_EQ(StoredPaths(), GetParam().listed);
    ExpectNothingLeftOpen();
}

INSTANTIATE_TEST_SUITE_P(
    Calls, DiscoveryFailTest,
    ::testing::Values(FailCase{Op::kEnumInterface, {"kb1"}}, FailCase{Op::kOpen, {"kb1"}},
                      FailCase{Op::kGetAttributes, {"kb1"}}, FailCase{Op::kGetCaps, {"kb1"}},
                      // The path of an interface that is there but cannot be had: stop.
                      FailCase{Op::kGetInterfacePath, {}}));

TEST_F(DiscoveryTest, ARebuildLeavesNoKeyboardSelected) {
    sim_.Attach(OrvanePro("kb0"));
    Enumerate();
    keyboards_.SetSelected(0);
    Enumerate();
    EXPECT_EQ(keyboards_.Count(), 1);
    EXPECT_EQ(keyboards_.Selected(), -1);
}

TEST_F(DiscoveryTest, ARebuildClosesTheOpenKeyboardAndEmptiesTheOldEntries) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.Attach(OrvanePro("kb1"));
    Enumerate();
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 1));
    sim_.Detach("kb0");
    Enumerate();
    EXPECT_FALSE(link_.IsOpen());
    EXPECT_EQ(sim_.OpenHandles(), 0);
    EXPECT_EQ(StoredPaths(), std::vector<std::string>{"kb1"});
    EXPECT_EQ(devices_.entries[1].path, "");
    EXPECT_EQ(devices_.entries[1].reportLength, 0u);
}

TEST_F(DiscoveryTest, ResetMarksTheLinkClosedAndClearsEveryEntry) {
    sim_.Attach(OrvanePro("kb0", 12));
    Enumerate();
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 0));
    ResetDeviceList(devices_, link_);
    EXPECT_FALSE(link_.IsOpen());
    EXPECT_EQ(sim_.OpenHandles(), 0);
    EXPECT_EQ(devices_.count, 0);
    EXPECT_EQ(devices_.entries[0].vendorId, 0u);
    EXPECT_EQ(devices_.entries[0].path, "");
}

TEST_F(DiscoveryTest, OpenKeyboardOpensTheEntryForTransfersWithItsReportLength) {
    sim_.Attach(OrvanePro("kb0", 9));
    sim_.Attach(OrvanePro("kb1", 17));
    Enumerate();
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 1));
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_EQ(link_.ReportLength(), 17);
    EXPECT_EQ(platform_.Purposes().back(), OpenPurpose::kTransfer);
}

TEST_F(DiscoveryTest, OpeningAgainClosesTheKeyboardOpenedBefore) {
    sim_.Attach(OrvanePro("kb0"));
    sim_.Attach(OrvanePro("kb1"));
    Enumerate();
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 0));
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 1));
    EXPECT_EQ(sim_.OpenHandles(), 1);
}

TEST_F(DiscoveryTest, OpenKeyboardFailsForAnUnpluggedKeyboardAndLeavesTheLinkClosed) {
    sim_.Attach(OrvanePro("kb0"));
    Enumerate();
    ASSERT_TRUE(OpenKeyboard(link_, devices_, 0));
    sim_.Detach("kb0");
    EXPECT_FALSE(OpenKeyboard(link_, devices_, 0));
    EXPECT_FALSE(link_.IsOpen());
    EXPECT_EQ(sim_.OpenHandles(), 0);
}

TEST_F(DiscoveryTest, OpenKeyboardRefusesAnIndexOutsideTheList) {
    sim_.Attach(OrvanePro("kb0"));
    Enumerate();
    for (int index : {-1, 1, DeviceList::kCapacity}) {
        EXPECT_FALSE(OpenKeyboard(link_, devices_, index)) << index;
    }
    EXPECT_EQ(sim_.Calls(Op::kOpen), 1u);
    EXPECT_FALSE(link_.IsOpen());
}

}  // namespace
}  // namespace vorn::hid
