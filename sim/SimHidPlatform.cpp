#include "sim/SimHidPlatform.h"

#include <algorithm>

namespace vorn::sim {

using hid::HidCall;
using hid::HidHandle;

struct SimHidPlatform::Device {
    Device(const DeviceDescription& s) : desc(s), keyboard(s.featureReportByteLength) {}
    const DeviceDescription desc;
    SimKeyboard keyboard;
    bool attached = true;  // guarded by the platform's mutex
};

namespace {

std::size_t Index(SimHidPlatform::Op op) { return static_cast<std::size_t>(op); }

}  // namespace

SimHidPlatform::SimHidPlatform() = default;
SimHidPlatform::~SimHidPlatform() = default;

SimKeyboard& SimHidPlatform::Attach(const DeviceDescription& desc) {
    auto device = std::make_shared<Device>(desc);
    {
        std::lock_guard lock(mutex_);
        attached_.push_back(device);
        everAttached_.push_back(device);
    }
    Notify(desc.path, true);
    return device->keyboard;
}

void SimHidPlatform::Detach(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(attached_.begin(), attached_.end(),
                               [&](const auto& d) { return d->desc.path == path; });
        if (it == attached_.end()) return;
        (*it)->attached = false;
        attached_.erase(it);
    }
    Notify(path, false);
}

SimKeyboard* SimHidPlatform::Keyboard(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& device : attached_)
        if (device->desc.path == path) return &device->keyboard;
    return nullptr;
}

std::vector<std::string> SimHidPlatform::Paths() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& device : attached_) paths.push_back(device->desc.path);
    return paths;
}

void SimHidPlatform::SetChangeListener(ChangeListener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void SimHidPlatform::Notify(const std::string& path, bool arrived) {
    ChangeListener listener;
    {
        std::lock_guard lock(mutex_);
        listener = listener_;
    }
    if (listener) listener(path, arrived);
}

void SimHidPlatform::SetAvailable(Op op, bool available) {
    std::lock_guard lock(mutex_);
    faults_[Index(op)].available = available;
}

void SimHidPlatform::FailCalls(Op op, int count, int after) {
    std::lock_guard lock(mutex_);
    faults_[Index(op)].count = count;
    faults_[Index(op)].after = after;
}

void SimHidPlatform::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.fill(OpFault{});
}

std::uint64_t SimHidPlatform::Calls(Op op) const {
    std::lock_guard lock(mutex_);
    return calls_[Index(op)];
}

std::uint64_t SimHidPlatform::Transfers() const {
    std::lock_guard lock(mutex_);
    return calls_[Index(Op::kSetFeature)] + calls_[Index(Op::kGetFeature)];
}

void SimHidPlatform::ResetCounters() {
    std::lock_guard lock(mutex_);
    calls_.fill(0);
    staleUses_ = 0;
}

int SimHidPlatform::OpenHandles() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(handles_.size());
}

std::uint64_t SimHidPlatform::StaleHandleUses() const {
    std::lock_guard lock(mutex_);
    return staleUses_;
}

HidCall SimHidPlatform::Enter(Op op) {
    OpFault& fault = faults_[Index(op)];
    ++calls_[Index(op)];
    if (!fault.available) return HidCall::kNotAvailable;
    if (fault.after > 0) {
        --fault.after;
        return HidCall::kOk;
    }
    if (fault.count == 0) return HidCall::kOk;
    --fault.count;
    return HidCall::kFailed;
}

std::shared_ptr<SimHidPlatform::Device> SimHidPlatform::DeviceOf(HidHandle handle) {
    auto it = handles_.find(handle);
    if (it != handles_.end()) return it->second;
    ++staleUses_;
    return nullptr;
}

HidCall SimHidPlatform::GetHidGuid(hid::HidGuid& guid) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kGetHidGuid);
    if (call == HidCall::kOk) guid = hid::kHidInterfaceClass;
    return call;
}

// A snapshot of the paths present now; only the HID class has interfaces here.
HidCall SimHidPlatform::OpenInterfaceSet(const hid::HidGuid& interfaceClass,
                                         hid::InterfaceSet& set) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kOpenInterfaceSet);
    if (call != HidCall::kOk) return call;
    std::vector<std::string>& paths = sets_[set = nextSet_++];
    if (interfaceClass == hid::kHidInterfaceClass)
        for (const auto& device : attached_) paths.push_back(device->desc.path);
    return call;
}

HidCall SimHidPlatform::EnumInterface(hid::InterfaceSet set, int index) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kEnumInterface);
    if (call != HidCall::kOk) return call;
    auto it = sets_.find(set);
    if (it == sets_.end() || index < 0) return HidCall::kFailed;
    if (index >= static_cast<int>(it->second.size())) return HidCall::kEnd;
    return call;
}

HidCall SimHidPlatform::GetInterfacePath(hid::InterfaceSet set, int index, std::string& path) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kGetInterfacePath);
    if (call != HidCall::kOk) return call;
    auto it = sets_.find(set);
    if (it == sets_.end() || index < 0 || index >= static_cast<int>(it->second.size()))
        return HidCall::kFailed;
    path = it->second[static_cast<std::size_t>(index)];
    return call;
}

HidCall SimHidPlatform::CloseInterfaceSet(hid::InterfaceSet set) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kCloseInterfaceSet);
    if (call != HidCall::kOk) return call;
    return sets_.erase(set) == 1 ? HidCall::kOk : HidCall::kFailed;
}

HidHandle SimHidPlatform::Open(const std::string& path, hid::OpenPurpose /*purpose*/) {
    std::lock_guard lock(mutex_);
    if (Enter(Op::kOpen) != HidCall::kOk) {
        lastOpenFailure_ = injectedOpenFailure_;
        return hid::kInvalidHandle;
    }
    for (const auto& device : attached_) {
        if (device->desc.path != path) continue;
        if (!device->desc.openable) {
            lastOpenFailure_ = hid::OpenFailure::kAccessDenied;
            return hid::kInvalidHandle;
        }
        lastOpenFailure_ = hid::OpenFailure::kUnknown;
        handles_[nextHandle_] = device;
        return nextHandle_++;
    }
    lastOpenFailure_ = hid::OpenFailure::kGone;
    return hid::kInvalidHandle;
}

void SimHidPlatform::SetInjectedOpenFailure(hid::OpenFailure failure) {
    std::lock_guard lock(mutex_);
    injectedOpenFailure_ = failure;
}

hid::OpenFailure SimHidPlatform::LastOpenFailure() const {
    std::lock_guard lock(mutex_);
    return lastOpenFailure_;
}

HidCall SimHidPlatform::GetAttributes(HidHandle handle, hid::HidAttributes& attributes) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kGetAttributes);
    if (call != HidCall::kOk) return call;
    const auto device = DeviceOf(handle);
    if (!device || !device->attached) return HidCall::kFailed;
    attributes = {device->desc.vendorId, device->desc.productId, device->desc.versionNumber};
    return call;
}

HidCall SimHidPlatform::GetCaps(HidHandle handle, hid::HidCaps& caps) {
    std::lock_guard lock(mutex_);
    const HidCall call = Enter(Op::kGetCaps);
    if (call != HidCall::kOk) return call;
    const auto device = DeviceOf(handle);
    if (!device || !device->attached) return HidCall::kFailed;
    const DeviceDescription& s = device->desc;
    caps = {s.usage, s.usagePage, s.inputReportByteLength, s.outputReportByteLength,
            s.featureReportByteLength};
    return call;
}

// The keyboard answers outside the platform's lock: its latency holds up no one else.
HidCall SimHidPlatform::SetFeature(HidHandle handle, const std::uint8_t* report,
                                   std::size_t length) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(mutex_);
        const HidCall call = Enter(Op::kSetFeature);
        if (call != HidCall::kOk) return call;
        device = DeviceOf(handle);
        if (!device || !device->attached) return HidCall::kFailed;
    }
    return device->keyboard.OnSetFeature(report, length);
}

HidCall SimHidPlatform::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(mutex_);
        const HidCall call = Enter(Op::kGetFeature);
        if (call != HidCall::kOk) return call;
        device = DeviceOf(handle);
        if (!device || !device->attached) return HidCall::kFailed;
    }
    return device->keyboard.OnGetFeature(report, length);
}

void SimHidPlatform::Close(HidHandle handle) {
    std::lock_guard lock(mutex_);
    if (Enter(Op::kClose) != HidCall::kOk) return;
    if (handles_.erase(handle) == 0) ++staleUses_;
}

}  // namespace vorn::sim
