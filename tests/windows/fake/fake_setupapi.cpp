// Fake "setupapi.dll": the four device-setup functions the program binds, with the
// signatures of the SDK headers. The HID class lists the fake device files "*.hid" of
// the folder named by the environment variable FAKEHID_DIR (a Windows path), or else of
// the folder "fakehid" next to the executable, in name order. The size checks follow the
// Windows rule: cbSize must equal sizeof() of the structure for the build's bitness.
#define _SETUPAPI_  // define the functions here instead of importing them
#include <windows.h>
// after windows.h, whose types it uses
#include <setupapi.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSetMagic = 0x53455446;  // "SETF"
const GUID kHidGuid = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct FakeSet {
    DWORD magic = kSetMagic;
    std::vector<std::string> paths;
};

FakeSet* AsSet(HDEVINFO h) {
    auto* s = static_cast<FakeSet*>(h);
    if (h == INVALID_HANDLE_VALUE || !s || s->magic != kSetMagic) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return s;
}

std::string DeviceFolder() {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("FAKEHID_DIR", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return buf;
    n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string exe(buf, n);
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "fakehid";
}

bool InterfaceDataOk(const SP_DEVICE_INTERFACE_DATA* d) {
    if (d && d->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA)) return true;
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return false;
}

}  // namespace

extern "C" {

// Not in the real setupapi.dll: lets a test see that the fake is loaded.
const char* WINAPI VornFake_Marker() { return "fake setupapi.dll"; }

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* classGuid, PCSTR, HWND, DWORD flags) {
    auto* set = new FakeSet;
    if (classGuid && IsEqualGUID(*classGuid, kHidGuid) && (flags & DIGCF_DEVICEINTERFACE)) {
        const std::string folder = DeviceFolder();
        WIN32_FIND_DATAA fd;
        HANDLE f = FindFirstFileA((folder + "\\*.hid").c_str(), &fd);
        if (f != INVALID_HANDLE_VALUE) {
            do set->paths.push_back(folder + "\\" + fd.cFileName);
            while (FindNextFileA(f, &fd));
            FindClose(f);
        }
        std::sort(set->paths.begin(), set->paths.end());
    }
    return set;
}

WINBOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO h, PSP_DEVINFO_DATA, const GUID* guid,
                                           DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    FakeSet* set = AsSet(h);
    if (!set || !InterfaceDataOk(data)) return FALSE;
    if (index >= set->paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->InterfaceClassGuid = guid ? *guid : kHidGuid;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = index + 1;
    return TRUE;
}

WINBOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO h, PSP_DEVICE_INTERFACE_DATA data,
                                                PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                DWORD detailSize, PDWORD requiredSize,
                                                PSP_DEVINFO_DATA) {
    FakeSet* set = AsSet(h);
    if (!set || !InterfaceDataOk(data)) return FALSE;
    if (data->Reserved < 1 || data->Reserved > set->paths.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& path = set->paths[data->Reserved - 1];
    const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1;
    if (requiredSize) *requiredSize = needed;
    if (!detail) {
        SetLastError(detailSize ? ERROR_INVALID_USER_BUFFER : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (detailSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy(path.c_str(), path.c_str() + path.size() + 1, detail->DevicePath);
    return TRUE;
}

WINBOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO h) {
    FakeSet* set = AsSet(h);
    if (!set) return FALSE;
    set->magic = 0;
    delete set;
    return TRUE;
}

}  // extern "C"
