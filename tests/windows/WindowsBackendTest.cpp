// The Windows backend against the fake hid.dll and setupapi.dll (tests/windows/fake), under
// wine: discovery through Setupapi and the HID class functions, the link's commands to
// the simulated keyboard's engine, the "not available" paths with libraries that lack a
// function, the failures with their Windows error codes, and the device monitor.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "hid/Discovery.h"
#include "hid/Link.h"
#include "hid/LinkProtocol.h"
#include "hid/windows/WindowsDeviceMonitor.h"
#include "hid/windows/WindowsHidPlatform.h"
#include "tests/windows/FakeDeviceFolder.h"

namespace vorn::hid {
namespace {

using test::FakeDeviceFolder;

constexpr unsigned kBrellowVendor = 0x0F39;
constexpr unsigned kOrvaneVendor = 0x0A34;
constexpr unsigned kOrvanePro = 0x1085;
constexpr unsigned kBrellow = 0x108A;

std::vector<std::string> Paths(const std::vector<DeviceEntry>& entries) {
    std::vector<std::string> paths;
    for (const DeviceEntry& entry : entries) paths.push_back(entry.path);
    return paths;
}

// 64-bit sizes; the 32-bit 28 and 5 make every call of the setup library fail here.
static_assert(sizeof(void*) != 8 || (kInterfaceDataSize == 32 && kInterfaceDetailSize == 8));

TEST(WindowsBackend, TheFakeLibrariesAreTheOnesBound) {
    WindowsHidPlatform platform;
    for (const char* library : {"hid.dll", "setupapi.dll"}) {
        const HMODULE module = ::GetModuleHandleA(library);
        ASSERT_NE(module, nullptr) << library;
        EXPECT_NE(::GetProcAddress(module, "VornFake_Marker"), nullptr)
            << library << " is not the fake: run with WINEDLLOVERRIDES=hid,setupapi=n";
    }
}

// Another vendor, usage 0x0006, an unknown product are passed over; two keyboards of one
// model come in interface order with their report lengths.
TEST(WindowsBackend, DiscoveryTakesOnlySupportedKeyboardsInInterfaceOrder) {
    FakeDeviceFolder folder;
    const std::string first = folder.Plug("a-kb", kBrellowVendor, kOrvanePro, 0x0080, 9);
    folder.Plug("b-boot", kBrellowVendor, kOrvanePro, 0x0006);
    folder.Plug("c-mouse", 0x046D, 0xC31C);
    folder.Plug("d-unknown", kBrellowVendor, 0x9999);
    const std::string second = folder.Plug("e-kb", kBrellowVendor, kOrvanePro, 0x0080, 17);
    const std::string brellow = folder.Plug("f-kb", kBrellowVendor, kBrellow, 0x0080, 20);
    WindowsHidPlatform platform;
    const std::vector<DeviceEntry> found = FindKeyboards(platform);
    EXPECT_EQ(Paths(found), (std::vector<std::string>{first, second, brellow}));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].reportLength, 9u);
    EXPECT_EQ(found[1].reportLength, 17u);
    EXPECT_EQ(found[2].productId, kBrellow);
}

TEST(WindowsBackend, AKeyboardPastTwentyOtherInterfacesIsFound) {
    FakeDeviceFolder folder;
    for (int i = 0; i < 24; ++i) {
        folder.Plug("a" + std::to_string(100 + i), 0x046D, static_cast<unsigned>(i));
    }
    const std::string keyboard = folder.Plug("z-kb", kOrvaneVendor, 0x0211);
    WindowsHidPlatform platform;
    EXPECT_EQ(Paths(FindKeyboards(platform)), std::vector<std::string>{keyboard});
}

// Held open without sharing, the first interface cannot be opened: it is skipped, and the
// reason keeps the Windows error code; the kind of each failed open is told apart.
TEST(WindowsBackend, AnInterfaceThatCannotBeOpenedIsSkipped) {
    FakeDeviceFolder folder;
    const std::string locked = folder.Plug("a-kb", kBrellowVendor, kOrvanePro);
    const std::string free = folder.Plug("b-kb", kBrellowVendor, kOrvanePro);
    const HANDLE holder =
        ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    WindowsHidPlatform platform;
    EXPECT_EQ(Paths(FindKeyboards(platform)), std::vector<std::string>{free});
    EXPECT_EQ(platform.Open(locked, OpenPurpose::kTransfer), kInvalidHandle);
    const std::string reason = platform.LastError(kInvalidHandle);
    EXPECT_NE(reason.find("CreateFileA " + locked + ": "), std::string::npos) << reason;
    EXPECT_NE(reason.find("(error 32)"), std::string::npos) << reason;
    EXPECT_EQ(platform.LastOpenFailure(), OpenFailure::kAccessDenied);
    ::CloseHandle(holder);
    EXPECT_EQ(platform.Open(locked + "-gone", OpenPurpose::kTransfer), kInvalidHandle);
    EXPECT_EQ(platform.LastOpenFailure(), OpenFailure::kGone);
    const HidHandle opened = platform.Open(locked, OpenPurpose::kTransfer);
    ASSERT_NE(opened, kInvalidHandle);
    EXPECT_EQ(platform.LastOpenFailure(), OpenFailure::kUnknown);
    platform.Close(opened);
}

TEST(WindowsBackend, TheLinkTalksToTheKeyboardsEngine) {
    FakeDeviceFolder folder;
    folder.Plug("kb", kBrellowVendor, kOrvanePro, 0x0080, 9);
    WindowsHidPlatform platform;
    const std::vector<DeviceEntry> found = FindKeyboards(platform);
    ASSERT_EQ(found.size(), 1u);
    Link link(platform, nullptr, std::chrono::milliseconds(2000));
    ASSERT_TRUE(OpenKeyboard(link, found[0]));
    std::uint16_t blockSize = 0;
    std::uint8_t blockCount = 0;
    EXPECT_EQ(link.GetProperty(blockSize, blockCount), HID_OK);
    EXPECT_EQ(blockSize, 128);
    EXPECT_EQ(blockCount, 4);
    // A block longer than one reply report: continuation reports, reassembled.
    std::vector<std::uint8_t> data(120);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(link.EraseKeymap(), HID_OK);
    EXPECT_EQ(link.WriteKeymapBlock(data.size(), 2, data.data()), HID_OK);
    std::uint8_t back[252] = {};
    std::uint8_t length = 0;
    EXPECT_EQ(link.ReadKeymapBlock(back, 2, length), HID_OK);
    ASSERT_EQ(length, 128);
    EXPECT_EQ(std::vector<std::uint8_t>(back, back + data.size()), data);
}

TEST(WindowsBackend, AFailedTransferKeepsTheWindowsErrorCode) {
    FakeDeviceFolder folder;
    const std::string path = folder.Plug("kb", kBrellowVendor, kOrvanePro, 0x0080, 9, " fail=set");
    WindowsHidPlatform platform;
    const HidHandle handle = platform.Open(path, OpenPurpose::kTransfer);
    ASSERT_NE(handle, kInvalidHandle);
    const std::uint8_t report[9] = {0x01, 0xEA, 0x02, 0x2C, 0xC4};
    EXPECT_EQ(platform.SetFeature(handle, report, sizeof report), HidCall::kFailed);
    EXPECT_EQ(
        platform.LastError(handle), "HidD_SetFeature: " + [] {
            char text[256] = {};
            ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_DEVICE_NOT_CONNECTED, 0, text, sizeof text, nullptr);
            std::string reason = text;
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
                reason.pop_back();
            return reason;
        }() + " (error 1167)");
    HidAttributes attributes;
    EXPECT_EQ(platform.GetAttributes(handle, attributes), HidCall::kOk);
    EXPECT_EQ(platform.LastError(handle), "");
    platform.Close(handle);
    EXPECT_EQ(platform.LastError(handle), "handle not open");
}

// Close from another thread while HidD_GetFeature runs on the handle: the call keeps the
// system handle until it returns, and the handle is closed then.
TEST(WindowsBackend, CloseDuringAFeatureCallWaitsForTheCallToReturn) {
    FakeDeviceFolder folder;
    const std::string pause = "vorn-pause-" + std::to_string(::GetCurrentProcessId());
    const std::string path =
        folder.Plug("kb", kBrellowVendor, kOrvanePro, 0x0080, 9, " pause=" + pause);
    const HANDLE in = ::CreateEventA(nullptr, TRUE, FALSE, (pause + "-in").c_str());
    const HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, (pause + "-go").c_str());
    WindowsHidPlatform platform;
    const HidHandle handle = platform.Open(path, OpenPurpose::kTransfer);
    ASSERT_NE(handle, kInvalidHandle);
    std::uint8_t report[10] = {kReportId};
    auto call = std::async(std::launch::async,
                           [&] { return platform.GetFeature(handle, report, sizeof report); });
    ASSERT_EQ(::WaitForSingleObject(in, 10000), WAIT_OBJECT_0);
    platform.Close(handle);
    EXPECT_EQ(platform.LastError(handle), "handle not open");
    // Still open: the file cannot be opened without sharing.
    const HANDLE alone =
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(alone, INVALID_HANDLE_VALUE);
    if (alone != INVALID_HANDLE_VALUE) ::CloseHandle(alone);
    ::SetEvent(go);
    EXPECT_EQ(call.get(), HidCall::kOk);
    // The call has returned: the system handle is closed.
    const HANDLE after =
        ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(after, INVALID_HANDLE_VALUE);
    if (after != INVALID_HANDLE_VALUE) ::CloseHandle(after);
    ::CloseHandle(in);
    ::CloseHandle(go);
}

// A closed handle never reaches a device opened after it, even where Windows gives the new
// system handle the old one's value.
TEST(WindowsBackend, AClosedHandleDoesNotNameALaterDevice) {
    FakeDeviceFolder folder;
    const std::string first = folder.Plug("kb0", kBrellowVendor, kOrvanePro);
    const std::string second = folder.Plug("kb1", kBrellowVendor, kBrellow);
    WindowsHidPlatform platform;
    const HidHandle closed = platform.Open(first, OpenPurpose::kTransfer);
    ASSERT_NE(closed, kInvalidHandle);
    platform.Close(closed);
    const HidHandle open = platform.Open(second, OpenPurpose::kTransfer);
    ASSERT_NE(open, kInvalidHandle);
    EXPECT_NE(open, closed);
    HidAttributes attributes;
    EXPECT_EQ(platform.GetAttributes(closed, attributes), HidCall::kFailed);
    EXPECT_EQ(platform.GetAttributes(open, attributes), HidCall::kOk);
    EXPECT_EQ(attributes.productId, kBrellow);
    platform.Close(open);
}

// Libraries that lack one function each (built from the fakes with fewer exports), or
// that are not there at all.
struct Missing {
    const char* hidLibrary;
    const char* setupApiLibrary;
    int listed;  // keyboards discovery lists (two are plugged in)
};

class WindowsBackendMissing : public ::testing::TestWithParam<Missing> {};

TEST_P(WindowsBackendMissing, DiscoveryFailsQuietlyWhereItsStepSays) {
    FakeDeviceFolder folder;
    folder.Plug("kb0", kBrellowVendor, kOrvanePro);
    folder.Plug("kb1", kBrellowVendor, kOrvanePro);
    WindowsHidPlatform platform(GetParam().hidLibrary, GetParam().setupApiLibrary);
    EXPECT_EQ(static_cast<int>(FindKeyboards(platform).size()), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, WindowsBackendMissing,
    ::testing::Values(Missing{"absent-hid.dll", "setupapi.dll", 0},
                      Missing{"hid-no-HidD_GetHidGuid.dll", "setupapi.dll", 0},
                      Missing{"hid.dll", "absent-setupapi.dll", 0},
                      Missing{"hid.dll", "setupapi-no-SetupDiGetClassDevsA.dll", 0},
                      Missing{"hid.dll", "setupapi-no-SetupDiEnumDeviceInterfaces.dll", 0},
                      Missing{"hid.dll", "setupapi-no-SetupDiGetDeviceInterfaceDetailA.dll", 0},
                      Missing{"hid-no-HidD_GetAttributes.dll", "setupapi.dll", 0},
                      Missing{"hid-no-HidD_GetPreparsedData.dll", "setupapi.dll", 0},
                      Missing{"hid-no-HidP_GetCaps.dll", "setupapi.dll", 0},
                      // Only the release of the snapshot is missing: the list stands.
                      Missing{"hid.dll", "setupapi-no-SetupDiDestroyDeviceInfoList.dll", 2}));

// Without the feature functions a command fails with the link's code and the link stays
// open, as for every function that cannot be found.
TEST(WindowsBackend, MissingFeatureFunctionsFailTheCommandAndKeepTheLinkOpen) {
    FakeDeviceFolder folder;
    folder.Plug("kb", kBrellowVendor, kOrvanePro);
    for (const auto& [library, status] : {std::pair{"hid-no-HidD_SetFeature.dll", HID_ERR_WRITE},
                                          std::pair{"hid-no-HidD_GetFeature.dll", HID_ERR_READ}}) {
        WindowsHidPlatform platform(library, "setupapi.dll");
        const std::vector<DeviceEntry> found = FindKeyboards(platform);
        ASSERT_EQ(found.size(), 1u) << library;
        Link link(platform, nullptr, std::chrono::milliseconds(2000));
        ASSERT_TRUE(OpenKeyboard(link, found[0]));
        EXPECT_EQ(link.EraseKeymap(), status) << library;
        EXPECT_TRUE(link.IsOpen()) << library;
    }
}

class Batches {
  public:
    DeviceMonitor::ChangeCallback Callback() {
        return [this](std::vector<DeviceChange> changes) {
            std::lock_guard lock(mutex_);
            batches_.push_back(std::move(changes));
            changed_.notify_all();
        };
    }
    std::vector<std::vector<DeviceChange>> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return batches_.size() >= count; });
        return batches_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<DeviceChange>> batches_;
};

void Announce(HWND window, WPARAM event, const HidGuid& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_A broadcast{};
    broadcast.dbcc_size = sizeof broadcast;
    broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast.dbcc_classguid.Data1 = interfaceClass.data1;
    broadcast.dbcc_classguid.Data2 = interfaceClass.data2;
    broadcast.dbcc_classguid.Data3 = interfaceClass.data3;
    for (int i = 0; i < 8; ++i) broadcast.dbcc_classguid.Data4[i] = interfaceClass.data4[i];
    ::SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&broadcast));
}

// The five registrations; what comes before Start is its first batch; a HID arrival and
// any removal rebuild, another class's arrival does not.
TEST(WindowsBackend, TheDeviceMonitorRegistersAndReportsChanges) {
    WindowsDeviceMonitor monitor;
    ASSERT_TRUE(monitor.Listening()) << monitor.Error();
    EXPECT_EQ(monitor.Registrations(), 5);
    EXPECT_EQ(monitor.Error(), "");
    Announce(monitor.Window(), DBT_DEVICEARRIVAL, kHidInterfaceClass);
    Batches batches;
    monitor.Start(batches.Callback());
    Announce(monitor.Window(), DBT_DEVICEARRIVAL, kNotifiedClasses[2]);
    Announce(monitor.Window(), DBT_DEVICEREMOVECOMPLETE, kNotifiedClasses[0]);
    const auto got = batches.WaitFor(3);
    monitor.Stop();
    using C = DeviceChange;
    EXPECT_EQ(got, (std::vector<std::vector<C>>{
                       {C::kHidInterfaceArrived}, {C::kOtherArrived}, {C::kDeviceRemoved}}));
    Announce(monitor.Window(), DBT_DEVICEARRIVAL, kHidInterfaceClass);
    EXPECT_EQ(batches.WaitFor(3).size(), 3u);  // nothing after Stop
}

}  // namespace
}  // namespace vorn::hid
