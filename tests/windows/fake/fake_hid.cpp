// Fake "hid.dll": the HID class functions the program binds, with the signatures of the
// SDK headers, on the fake device files of FakeDeviceFile.h. The device behind each file
// is the simulated keyboard's engine, so the program's link talks the keyboard protocol
// to it exactly as to the simulated keyboards of the Linux tests.
#include <windows.h>

extern "C" {  // mingw's hidsdi.h and hidpi.h have no extern "C" guard of their own
#include <hidsdi.h>
}

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

#include "cli/vornkbd/SlotDump.h"
#include "sim/SimKeyboard.h"
#include "tests/windows/fake/FakeDeviceFile.h"

namespace {

constexpr DWORD kPreparsedMagic = 0x46414B45;  // "FAKE"

struct Preparsed {
    DWORD magic;
    HIDP_CAPS caps;
};

struct Device {
    std::unique_ptr<vorn::sim::SimKeyboard> keyboard;
    std::size_t commandsSaved = 0;
};

std::mutex devicesMutex;
std::map<std::string, Device>& Devices() {
    static auto* devices = new std::map<std::string, Device>;  // kept until the process ends
    return *devices;
}

// keymap.bin: block size (2 bytes, little-endian), block count (1 byte), then the blocks.
void Load(vorn::sim::SimKeyboard& keyboard, const std::string& folder) {
    std::ifstream file(folder + "\\keymap.bin", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    if (bytes.size() < 3) return;
    const auto size = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[0]) |
                                                 static_cast<std::uint8_t>(bytes[1]) << 8);
    const auto count = static_cast<std::uint8_t>(bytes[2]);
    keyboard.SetGeometry(size, count);
    for (int block = 1; block <= count; ++block) {
        const std::size_t at = 3 + static_cast<std::size_t>(block - 1) * size;
        if (at + size > bytes.size()) break;
        keyboard.SetBlock(static_cast<std::uint8_t>(block),
                          vorn::sim::Bytes(bytes.begin() + at, bytes.begin() + at + size));
    }
}

void Save(const vorn::sim::SimKeyboard& keyboard, const std::string& folder) {
    std::string bytes;
    bytes += static_cast<char>(keyboard.BlockSize() & 0xFF);
    bytes += static_cast<char>(keyboard.BlockSize() >> 8);
    bytes += static_cast<char>(keyboard.BlockCount());
    for (int block = 1; block <= keyboard.BlockCount(); ++block) {
        const vorn::sim::Bytes data = keyboard.Block(static_cast<std::uint8_t>(block));
        bytes.append(data.begin(), data.end());
    }
    std::ofstream(folder + "\\keymap.bin", std::ios::binary | std::ios::trunc) << bytes;
    std::string ignored;
    vorn::kbd::WriteSlotDump(keyboard, folder, ignored);
}

Device& DeviceFor(const fakehid::DeviceInfo& info) {
    Device& device = Devices()[info.line];
    if (!device.keyboard) {
        device.keyboard = std::make_unique<vorn::sim::SimKeyboard>(static_cast<int>(info.feature));
        if (!info.state.empty()) Load(*device.keyboard, info.state);
    }
    return device;
}

}  // namespace

extern "C" {

// Not in the system's hid.dll: lets a test see that the fake, not the system's, is loaded.
const char* WINAPI VornFake_Marker() { return "fake hid.dll"; }

void NTAPI HidD_GetHidGuid(LPGUID guid) {
    static const GUID kHid = {
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    if (guid) *guid = kHid;
}

BOOLEAN NTAPI HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
    fakehid::DeviceInfo info;
    if (!attributes || !fakehid::ReadInfo(device, info)) return FALSE;
    if (attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    attributes->VendorID = static_cast<USHORT>(info.vid);
    attributes->ProductID = static_cast<USHORT>(info.pid);
    attributes->VersionNumber = 0x0100;
    return TRUE;
}

BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
    fakehid::DeviceInfo info;
    if (!data || !fakehid::ReadInfo(device, info)) return FALSE;
    auto* p = static_cast<Preparsed*>(std::calloc(1, sizeof(Preparsed)));
    if (!p) return FALSE;
    p->magic = kPreparsedMagic;
    p->caps.Usage = static_cast<USAGE>(info.usage);
    p->caps.UsagePage = static_cast<USAGE>(info.page);
    p->caps.FeatureReportByteLength = static_cast<USHORT>(info.feature);
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(p);
    return TRUE;
}

BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) {
    auto* p = reinterpret_cast<Preparsed*>(data);
    if (!p || p->magic != kPreparsedMagic) return FALSE;
    p->magic = 0;
    std::free(p);
    return TRUE;
}

NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
    auto* p = reinterpret_cast<Preparsed*>(data);
    if (!p || p->magic != kPreparsedMagic) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *caps = p->caps;
    return HIDP_STATUS_SUCCESS;
}

// A report of exactly the feature report length, report ID first, as Windows wants it.
BOOLEAN NTAPI HidD_SetFeature(HANDLE handle, PVOID report, ULONG length) {
    fakehid::DeviceInfo info;
    if (!report || !fakehid::ReadInfo(handle, info)) return FALSE;
    if (info.fail == "set") {
        ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    if (length != info.feature) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(devicesMutex);
    Device& device = DeviceFor(info);
    const bool sent = device.keyboard->OnSetFeature(static_cast<const std::uint8_t*>(report),
                                                    length) == vorn::hid::HidCall::kOk;
    const std::size_t commands = device.keyboard->Log().size();
    if (!info.state.empty() && commands != device.commandsSaved) {
        Save(*device.keyboard, info.state);
        device.commandsSaved = commands;
    }
    if (!sent) ::SetLastError(ERROR_GEN_FAILURE);
    return sent ? TRUE : FALSE;
}

// At least the feature report length; the keyboard's engine answers with the next piece of
// its reply (the link asks for one byte more than it sends).
BOOLEAN NTAPI HidD_GetFeature(HANDLE handle, PVOID report, ULONG length) {
    fakehid::DeviceInfo info;
    if (!report || !fakehid::ReadInfo(handle, info)) return FALSE;
    if (info.fail == "get") {
        ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    if (length < info.feature) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!info.pause.empty()) {
        const HANDLE in = ::CreateEventA(nullptr, TRUE, FALSE, (info.pause + "-in").c_str());
        const HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, (info.pause + "-go").c_str());
        ::SetEvent(in);
        ::WaitForSingleObject(go, 10000);
        ::CloseHandle(in);
        ::CloseHandle(go);
        // A handle closed meanwhile makes this read, and so the call, fail.
        if (!fakehid::ReadInfo(handle, info)) return FALSE;
    }
    vorn::sim::SimKeyboard* keyboard;
    {
        std::lock_guard lock(devicesMutex);
        keyboard = DeviceFor(info).keyboard.get();
    }
    const bool got = keyboard->OnGetFeature(static_cast<std::uint8_t*>(report), length) ==
                     vorn::hid::HidCall::kOk;
    if (!got) ::SetLastError(ERROR_GEN_FAILURE);
    return got ? TRUE : FALSE;
}

}  // extern "C"
