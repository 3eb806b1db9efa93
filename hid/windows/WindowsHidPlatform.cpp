#include "hid/windows/WindowsHidPlatform.h"

extern "C" {  // mingw's HID headers declare C functions without a guard of their own
#include <hidsdi.h>
}

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "hid/windows/WinError.h"
#include "hid/windows/WinGuid.h"
#include "hid/windows/WinLibraries.h"

namespace vorn::hid {

namespace {

using GetHidGuidFn = decltype(&::HidD_GetHidGuid);
using GetAttributesFn = decltype(&::HidD_GetAttributes);
using GetPreparsedDataFn = decltype(&::HidD_GetPreparsedData);
using FreePreparsedDataFn = decltype(&::HidD_FreePreparsedData);
using GetCapsFn = decltype(&::HidP_GetCaps);
using SetFeatureFn = decltype(&::HidD_SetFeature);
using GetFeatureFn = decltype(&::HidD_GetFeature);
using GetClassDevsFn = decltype(&::SetupDiGetClassDevsA);
using EnumInterfacesFn = decltype(&::SetupDiEnumDeviceInterfaces);
using GetDetailFn = decltype(&::SetupDiGetDeviceInterfaceDetailA);
using DestroyListFn = decltype(&::SetupDiDestroyDeviceInfoList);

// Present interfaces of the class (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE).
constexpr DWORD kPresentInterfaces = 0x12;

constexpr char kNotOpen[] = "handle not open";

HidGuid FromGuid(const GUID& guid) {
    HidGuid g;
    g.data1 = guid.Data1;
    g.data2 = guid.Data2;
    g.data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) g.data4[i] = guid.Data4[i];
    return g;
}

// One opened interface. Shared with any call still running on it, so that a Close from
// another thread never closes the system handle under a HidD_ call, nor lets Windows give
// its value to a handle opened later while that call still uses it.
struct Device {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string error;  // the last failed call on the handle, under State::mutex
    explicit Device(HANDLE h) : handle(h) {}
    ~Device() { ::CloseHandle(handle); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
};

// Each thread's last failed scan or open, per platform object.
thread_local std::map<std::uint64_t, std::string> threadErrors;
thread_local std::map<std::uint64_t, OpenFailure> threadOpenFailures;
std::atomic<std::uint64_t> nextPlatformNumber{1};

OpenFailure OpenFailureOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenFailure::kAccessDenied;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
            return OpenFailure::kGone;
        default:
            return OpenFailure::kUnknown;
    }
}

}  // namespace

struct WindowsHidPlatform::State {
    State(const char* hidLibrary, const char* setupApiLibrary)
        : libraries(hidLibrary, setupApiLibrary) {}

    const std::uint64_t number = nextPlatformNumber++;
    WinLibraries libraries;
    mutable std::mutex mutex;
    struct Set {
        HDEVINFO info;
        GUID interfaceClass;
    };
    std::map<InterfaceSet, Set> sets;
    // Open handles: numbers of the platform's own, never reused, so a closed handle cannot
    // name a device opened after it.
    std::map<HidHandle, std::shared_ptr<Device>> devices;
    HidHandle nextHandle = 1;
    InterfaceSet nextSet = 1;

    HidCall FailOnThread(std::string reason) {
        threadErrors[number] = std::move(reason);
        return HidCall::kFailed;
    }
    void ClearOnThread() { threadErrors.erase(number); }
    void ClearOpenOnThread() {
        threadOpenFailures.erase(number);
        ClearOnThread();
    }

    std::shared_ptr<Device> Find(HidHandle handle) const {
        std::lock_guard lock(mutex);
        const auto it = devices.find(handle);
        return it == devices.end() ? nullptr : it->second;
    }
    HidCall Fail(Device& device, const char* call) {
        const DWORD code = ::GetLastError();
        std::lock_guard lock(mutex);
        device.error = WinError(call, code);
        return HidCall::kFailed;
    }
    HidCall Succeed(Device& device) {
        std::lock_guard lock(mutex);
        device.error.clear();
        return HidCall::kOk;
    }
    bool FindSet(InterfaceSet set, Set& found) const {
        std::lock_guard lock(mutex);
        const auto it = sets.find(set);
        if (it == sets.end()) return false;
        found = it->second;
        return true;
    }
    // SetupDiEnumDeviceInterfaces for one index, its size field set for this build.
    HidCall Enum(const Set& set, int index, SP_DEVICE_INTERFACE_DATA& data) const {
        const auto enumerate = libraries.SetupApi<EnumInterfacesFn>("SetupDiEnumDeviceInterfaces");
        if (!enumerate) return HidCall::kNotAvailable;
        data = {};
        data.cbSize = kInterfaceDataSize;
        GUID interfaceClass = set.interfaceClass;
        if (enumerate(set.info, nullptr, &interfaceClass, static_cast<DWORD>(index), &data)) {
            return HidCall::kOk;
        }
        return ::GetLastError() == ERROR_NO_MORE_ITEMS ? HidCall::kEnd : HidCall::kFailed;
    }
};

WindowsHidPlatform::WindowsHidPlatform() : WindowsHidPlatform("hid.dll", "Setupapi.dll") {}

WindowsHidPlatform::WindowsHidPlatform(const char* hidLibrary, const char* setupApiLibrary)
    : state_(std::make_unique<State>(hidLibrary, setupApiLibrary)) {}

WindowsHidPlatform::~WindowsHidPlatform() {
    state_->ClearOpenOnThread();
    const auto destroy = state_->libraries.SetupApi<DestroyListFn>("SetupDiDestroyDeviceInfoList");
    for (const auto& [set, entry] : state_->sets) {
        if (destroy) destroy(entry.info);
    }
}

HidCall WindowsHidPlatform::GetHidGuid(HidGuid& guid) {
    const auto get = state_->libraries.Hid<GetHidGuidFn>("HidD_GetHidGuid");
    if (!get) return HidCall::kNotAvailable;
    GUID hidClass{};
    get(&hidClass);
    guid = FromGuid(hidClass);
    return HidCall::kOk;
}

HidCall WindowsHidPlatform::OpenInterfaceSet(const HidGuid& interfaceClass, InterfaceSet& set) {
    const auto getClassDevs = state_->libraries.SetupApi<GetClassDevsFn>("SetupDiGetClassDevsA");
    if (!getClassDevs) return HidCall::kNotAvailable;
    const GUID guid = ToGuid(interfaceClass);
    const HDEVINFO info = getClassDevs(&guid, nullptr, nullptr, kPresentInterfaces);
    if (info == INVALID_HANDLE_VALUE) {
        return state_->FailOnThread(WinError("SetupDiGetClassDevsA", ::GetLastError()));
    }
    state_->ClearOnThread();
    std::lock_guard lock(state_->mutex);
    set = state_->nextSet++;
    state_->sets.emplace(set, State::Set{info, guid});
    return HidCall::kOk;
}

HidCall WindowsHidPlatform::EnumInterface(InterfaceSet set, int index) {
    State::Set found{};
    if (index < 0 || !state_->FindSet(set, found)) return HidCall::kFailed;
    SP_DEVICE_INTERFACE_DATA data;
    return state_->Enum(found, index, data);
}

HidCall WindowsHidPlatform::GetInterfacePath(InterfaceSet set, int index, std::string& path) {
    State::Set found{};
    if (index < 0 || !state_->FindSet(set, found)) return HidCall::kFailed;
    const auto detail = state_->libraries.SetupApi<GetDetailFn>("SetupDiGetDeviceInterfaceDetailA");
    if (!detail) return HidCall::kNotAvailable;
    SP_DEVICE_INTERFACE_DATA data;
    const HidCall present = state_->Enum(found, index, data);
    if (present == HidCall::kNotAvailable) return present;
    if (present != HidCall::kOk) return HidCall::kFailed;
    // First without a buffer, to learn the size the detail needs.
    DWORD required = 0;
    detail(found.info, &data, nullptr, 0, &required, nullptr);
    if (required < kInterfaceDetailSize) required = kInterfaceDetailSize + MAX_PATH;
    // Aligned for the structure: the buffer is the detail record followed by the path.
    std::vector<std::uint64_t> buffer((required + sizeof(std::uint64_t) - 1) /
                                      sizeof(std::uint64_t));
    auto* record = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    record->cbSize = kInterfaceDetailSize;
    if (!detail(found.info, &data, record, required, nullptr, nullptr)) {
        return state_->FailOnThread(WinError("SetupDiGetDeviceInterfaceDetailA", ::GetLastError()));
    }
    path = record->DevicePath;
    return HidCall::kOk;
}

HidCall WindowsHidPlatform::CloseInterfaceSet(InterfaceSet set) {
    const auto destroy = state_->libraries.SetupApi<DestroyListFn>("SetupDiDestroyDeviceInfoList");
    if (!destroy) return HidCall::kNotAvailable;
    State::Set found{};
    {
        std::lock_guard lock(state_->mutex);
        const auto it = state_->sets.find(set);
        if (it == state_->sets.end()) return HidCall::kFailed;
        found = it->second;
        state_->sets.erase(it);
    }
    return destroy(found.info) ? HidCall::kOk : HidCall::kFailed;
}

HidHandle WindowsHidPlatform::Open(const std::string& path, OpenPurpose) {
    const HANDLE handle =
        ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        threadOpenFailures[state_->number] = OpenFailureOf(error);
        state_->FailOnThread(WinError("CreateFileA " + path, error));
        return kInvalidHandle;
    }
    state_->ClearOpenOnThread();
    auto device = std::make_shared<Device>(handle);
    std::lock_guard lock(state_->mutex);
    const HidHandle id = state_->nextHandle++;
    state_->devices.emplace(id, std::move(device));
    return id;
}

HidCall WindowsHidPlatform::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const auto get = state_->libraries.Hid<GetAttributesFn>("HidD_GetAttributes");
    if (!get) return HidCall::kNotAvailable;
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    HIDD_ATTRIBUTES got{};
    got.Size = sizeof got;
    if (!get(device->handle, &got)) return state_->Fail(*device, "HidD_GetAttributes");
    attributes.vendorId = got.VendorID;
    attributes.productId = got.ProductID;
    attributes.versionNumber = got.VersionNumber;
    return state_->Succeed(*device);
}

HidCall WindowsHidPlatform::GetCaps(HidHandle handle, HidCaps& caps) {
    const auto getPreparsed = state_->libraries.Hid<GetPreparsedDataFn>("HidD_GetPreparsedData");
    if (!getPreparsed) return HidCall::kNotAvailable;
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!getPreparsed(device->handle, &preparsed)) {
        return state_->Fail(*device, "HidD_GetPreparsedData");
    }
    // The preparsed data goes back to the library whatever happens next.
    struct Release {
        const WinLibraries& libraries;
        PHIDP_PREPARSED_DATA data;
        ~Release() {
            const auto free = libraries.Hid<FreePreparsedDataFn>("HidD_FreePreparsedData");
            if (free) free(data);
        }
    } release{state_->libraries, preparsed};
    const auto getCaps = state_->libraries.Hid<GetCapsFn>("HidP_GetCaps");
    if (!getCaps) return HidCall::kNotAvailable;
    HIDP_CAPS got{};
    const NTSTATUS status = getCaps(preparsed, &got);
    if (status != HIDP_STATUS_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(status));
        return state_->Fail(*device, "HidP_GetCaps");
    }
    caps.usage = got.Usage;
    caps.usagePage = got.UsagePage;
    caps.inputReportByteLength = got.InputReportByteLength;
    caps.outputReportByteLength = got.OutputReportByteLength;
    caps.featureReportByteLength = got.FeatureReportByteLength;
    return state_->Succeed(*device);
}

HidCall WindowsHidPlatform::SetFeature(HidHandle handle, const std::uint8_t* report,
                                       std::size_t length) {
    const auto set = state_->libraries.Hid<SetFeatureFn>("HidD_SetFeature");
    if (!set) return HidCall::kNotAvailable;
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    // The call takes a writable buffer; the report stays the caller's.
    std::vector<std::uint8_t> copy(report, report + length);
    if (!set(device->handle, copy.data(), static_cast<ULONG>(length))) {
        return state_->Fail(*device, "HidD_SetFeature");
    }
    return state_->Succeed(*device);
}

HidCall WindowsHidPlatform::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) {
    const auto get = state_->libraries.Hid<GetFeatureFn>("HidD_GetFeature");
    if (!get) return HidCall::kNotAvailable;
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    if (!get(device->handle, report, static_cast<ULONG>(length))) {
        return state_->Fail(*device, "HidD_GetFeature");
    }
    return state_->Succeed(*device);
}

// The system handle is closed when the last call still using it returns.
void WindowsHidPlatform::Close(HidHandle handle) {
    std::shared_ptr<Device> device;  // released after the lock
    std::lock_guard lock(state_->mutex);
    const auto it = state_->devices.find(handle);
    if (it == state_->devices.end()) return;
    device = std::move(it->second);
    state_->devices.erase(it);
}

std::string WindowsHidPlatform::LastError(HidHandle handle) const {
    if (handle == kInvalidHandle) {
        const auto it = threadErrors.find(state_->number);
        return it == threadErrors.end() ? std::string() : it->second;
    }
    std::lock_guard lock(state_->mutex);
    const auto it = state_->devices.find(handle);
    return it == state_->devices.end() ? std::string(kNotOpen) : it->second->error;
}

OpenFailure WindowsHidPlatform::LastOpenFailure() const {
    const auto it = threadOpenFailures.find(state_->number);
    return it == threadOpenFailures.end() ? OpenFailure::kUnknown : it->second;
}

}  // namespace vorn::hid
