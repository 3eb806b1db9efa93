#include "hid/linux/LinuxHidPlatform.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "hid/linux/HidSysfs.h"
#include "hid/linux/HidrawIoctl.h"
#include "hid/linux/InterfacePath.h"
#include "hid/linux/ReportDescriptor.h"
#include "hid/linux/SystemError.h"
#include "hid/linux/UdevHidrawSource.h"

namespace vorn::hid {

namespace {

struct Interface {
    std::string path;
    std::string devnode;
    std::string hidSyspath;
    int collection = 0;
};

// One opened interface. Shared with any call still running on it, so that a Close from
// another thread never closes the descriptor under an ioctl (nor lets it be reused).
struct Device {
    Interface where;
    int fd = -1;
    std::string error;  // the last failed call on the handle, under State::mutex
    ~Device() {
        if (fd >= 0) ::close(fd);
    }
};

// What LastError says of a handle that is not open (closed, or never opened).
constexpr char kNotOpen[] = "handle not open";

// Each thread's last failed scan or open, per platform object. Objects are told apart by
// a number none other gets, so one made where a destroyed one was inherits no reason.
thread_local std::map<std::uint64_t, std::string> threadErrors;
thread_local std::map<std::uint64_t, OpenFailure> threadOpenFailures;
std::atomic<std::uint64_t> nextPlatformNumber{1};

int CollectionCount(const HidrawNode& node) {
    std::vector<std::uint8_t> descriptor;
    std::string ignored;
    if (node.hidSyspath.empty() || !ReadReportDescriptor(node.hidSyspath, descriptor, ignored)) {
        return 1;
    }
    const auto collections = ParseReportDescriptor(descriptor);
    return collections ? static_cast<int>(collections->size()) : 1;
}

void AddInterfaces(const HidrawNode& node, std::vector<Interface>& interfaces) {
    const int count = CollectionCount(node);
    for (int collection = 0; collection < count; ++collection) {
        interfaces.push_back(Interface{InterfacePath(node.devnode, collection, count), node.devnode,
                                       node.hidSyspath, collection});
    }
}

std::vector<Interface> InterfacesOf(std::vector<HidrawNode> nodes) {
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const HidrawNode& a, const HidrawNode& b) { return a.number < b.number; });
    std::vector<Interface> interfaces;
    for (const HidrawNode& node : nodes) AddInterfaces(node, interfaces);
    return interfaces;
}

OpenFailure OpenFailureOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return OpenFailure::kAccessDenied;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenFailure::kGone;
        default:
            return OpenFailure::kUnknown;
    }
}

// From sysfs when the interface came from a scan, else from the open node itself.
bool AttributesOf(const Device& device, HidAttributes& attributes, std::string& error) {
    if (!device.where.hidSyspath.empty()) {
        return ReadHidAttributes(device.where.hidSyspath, attributes, error);
    }
    const int result = device.fd >= 0 ? HidrawAttributes(device.fd, attributes) : ENODEV;
    if (result != 0) error = SystemError("HIDIOCGRAWINFO on " + device.where.devnode, result);
    return result == 0;
}

bool DescriptorOf(const Device& device, std::vector<std::uint8_t>& descriptor, std::string& error) {
    if (!device.where.hidSyspath.empty()) {
        return ReadReportDescriptor(device.where.hidSyspath, descriptor, error);
    }
    const int result = device.fd >= 0 ? HidrawReportDescriptor(device.fd, descriptor) : ENODEV;
    if (result != 0) error = SystemError("HIDIOCGRDESC on " + device.where.devnode, result);
    return result == 0;
}

}  // namespace

struct LinuxHidPlatform::State {
    const std::uint64_t number = nextPlatformNumber++;
    std::unique_ptr<HidrawSource> source;
    mutable std::mutex mutex;
    std::map<InterfaceSet, std::vector<Interface>> sets;
    // Every interface of the latest scan, by path: what a query open may name.
    std::map<std::string, Interface> known;
    std::map<HidHandle, std::shared_ptr<Device>> devices;
    InterfaceSet nextSet = 1;
    HidHandle nextHandle = 1;

    // A scan or an open, on the calling thread.
    HidCall FailOnThread(std::string reason) {
        threadErrors[number] = std::move(reason);
        return HidCall::kFailed;
    }
    void ClearOnThread() { threadErrors.erase(number); }
    HidCall FailOpenOnThread(std::string reason, OpenFailure kind) {
        threadOpenFailures[number] = kind;
        return FailOnThread(std::move(reason));
    }
    void ClearOpenOnThread() {
        threadOpenFailures.erase(number);
        ClearOnThread();
    }
    OpenFailure ThreadOpenFailure() const {
        const auto it = threadOpenFailures.find(number);
        return it == threadOpenFailures.end() ? OpenFailure::kUnknown : it->second;
    }
    std::string ThreadError() const {
        const auto it = threadErrors.find(number);
        return it == threadErrors.end() ? std::string() : it->second;
    }
    // A call on an open handle.
    HidCall Fail(Device& device, std::string reason) {
        std::lock_guard lock(mutex);
        device.error = std::move(reason);
        return HidCall::kFailed;
    }
    HidCall Succeed(Device& device) {
        std::lock_guard lock(mutex);
        device.error.clear();
        return HidCall::kOk;
    }
    std::string HandleError(HidHandle handle) const {
        std::lock_guard lock(mutex);
        const auto it = devices.find(handle);
        return it == devices.end() ? std::string(kNotOpen) : it->second->error;
    }
    std::shared_ptr<Device> Find(HidHandle handle) {
        std::lock_guard lock(mutex);
        const auto it = devices.find(handle);
        return it == devices.end() ? nullptr : it->second;
    }
    const Interface* InterfaceAt(InterfaceSet set, int index) const {
        const auto it = sets.find(set);
        if (it == sets.end() || index < 0 || index >= static_cast<int>(it->second.size())) {
            return nullptr;
        }
        return &it->second[static_cast<std::size_t>(index)];
    }
    // The interface a path names: one of the latest scan, or, for a transfer, any node.
    bool Resolve(const std::string& path, OpenPurpose purpose, Interface& where) {
        {
            std::lock_guard lock(mutex);
            const auto it = known.find(path);
            if (it != known.end()) {
                where = it->second;
                return true;
            }
        }
        if (purpose == OpenPurpose::kQuery) {
            FailOpenOnThread(path + ": not a HID interface of the latest scan", OpenFailure::kGone);
            return false;
        }
        where.path = path;
        SplitInterfacePath(path, where.devnode, where.collection);
        return true;
    }
    HidHandle Keep(std::shared_ptr<Device> device) {
        std::lock_guard lock(mutex);
        const HidHandle handle = nextHandle++;
        devices.emplace(handle, std::move(device));
        return handle;
    }
};

LinuxHidPlatform::LinuxHidPlatform() : LinuxHidPlatform(std::make_unique<UdevHidrawSource>()) {}

LinuxHidPlatform::LinuxHidPlatform(std::unique_ptr<HidrawSource> source)
    : state_(std::make_unique<State>()) {
    state_->source = std::move(source);
}

// This thread's reason goes with the platform; another thread's stays, unread, until that
// thread ends.
LinuxHidPlatform::~LinuxHidPlatform() { state_->ClearOpenOnThread(); }

HidCall LinuxHidPlatform::GetHidGuid(HidGuid& guid) {
    guid = kHidInterfaceClass;
    return HidCall::kOk;
}

HidCall LinuxHidPlatform::OpenInterfaceSet(const HidGuid& interfaceClass, InterfaceSet& set) {
    std::vector<HidrawNode> nodes;
    std::string error;
    // hidraw nodes are the HID class; any other class has no interfaces here.
    if (interfaceClass == kHidInterfaceClass && !state_->source->Scan(nodes, error)) {
        return state_->FailOnThread(error);
    }
    state_->ClearOnThread();
    std::vector<Interface> interfaces = InterfacesOf(std::move(nodes));
    std::lock_guard lock(state_->mutex);
    state_->known.clear();
    for (const Interface& interface : interfaces) state_->known[interface.path] = interface;
    set = state_->nextSet++;
    state_->sets.emplace(set, std::move(interfaces));
    return HidCall::kOk;
}

HidCall LinuxHidPlatform::EnumInterface(InterfaceSet set, int index) {
    std::lock_guard lock(state_->mutex);
    if (state_->InterfaceAt(set, index)) return HidCall::kOk;
    // A set that exists ends before this index; one that does not is a failed call.
    return state_->sets.count(set) && index >= 0 ? HidCall::kEnd : HidCall::kFailed;
}

HidCall LinuxHidPlatform::GetInterfacePath(InterfaceSet set, int index, std::string& path) {
    std::lock_guard lock(state_->mutex);
    const Interface* interface = state_->InterfaceAt(set, index);
    if (!interface) return HidCall::kFailed;
    path = interface->path;
    return HidCall::kOk;
}

HidCall LinuxHidPlatform::CloseInterfaceSet(InterfaceSet set) {
    std::lock_guard lock(state_->mutex);
    return state_->sets.erase(set) ? HidCall::kOk : HidCall::kFailed;
}

HidHandle LinuxHidPlatform::Open(const std::string& path, OpenPurpose purpose) {
    auto device = std::make_shared<Device>();
    if (!state_->Resolve(path, purpose, device->where)) return kInvalidHandle;
    if (purpose == OpenPurpose::kTransfer) {
        device->fd = ::open(device->where.devnode.c_str(), O_RDWR | O_CLOEXEC);
        if (device->fd < 0) {
            const int error = errno;
            state_->FailOpenOnThread(SystemError("open " + device->where.devnode, error),
                                     OpenFailureOf(error));
            return kInvalidHandle;
        }
    }
    state_->ClearOpenOnThread();
    return state_->Keep(std::move(device));
}

HidCall LinuxHidPlatform::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    std::string error;
    if (!AttributesOf(*device, attributes, error)) return state_->Fail(*device, error);
    return state_->Succeed(*device);
}

HidCall LinuxHidPlatform::GetCaps(HidHandle handle, HidCaps& caps) {
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    std::vector<std::uint8_t> descriptor;
    std::string error;
    if (!DescriptorOf(*device, descriptor, error)) return state_->Fail(*device, error);
    // A descriptor the parser cannot read counts as a failed call for this one interface:
    // discovery skips it and goes on with the next.
    const auto collections = ParseReportDescriptor(descriptor);
    const auto index = static_cast<std::size_t>(device->where.collection);
    if (!collections || index >= collections->size()) {
        return state_->Fail(*device, device->where.path + ": report descriptor not readable");
    }
    caps = (*collections)[index];
    return state_->Succeed(*device);
}

HidCall LinuxHidPlatform::SetFeature(HidHandle handle, const std::uint8_t* report,
                                     std::size_t length) {
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    if (device->fd < 0) return state_->Fail(*device, "HIDIOCSFEATURE: opened for queries only");
    const int result = HidrawSetFeature(device->fd, report, length);
    if (result == 0) return state_->Succeed(*device);
    return state_->Fail(*device, SystemError("HIDIOCSFEATURE on " + device->where.devnode, result));
}

HidCall LinuxHidPlatform::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) {
    const std::shared_ptr<Device> device = state_->Find(handle);
    if (!device) return HidCall::kFailed;
    if (device->fd < 0) return state_->Fail(*device, "HIDIOCGFEATURE: opened for queries only");
    const int result = HidrawGetFeature(device->fd, report, length);
    if (result == 0) return state_->Succeed(*device);
    return state_->Fail(*device, SystemError("HIDIOCGFEATURE on " + device->where.devnode, result));
}

void LinuxHidPlatform::Close(HidHandle handle) {
    std::shared_ptr<Device> device;  // released after the lock, closing the node if last
    std::lock_guard lock(state_->mutex);
    const auto it = state_->devices.find(handle);
    if (it == state_->devices.end()) return;
    device = std::move(it->second);
    state_->devices.erase(it);
}

std::string LinuxHidPlatform::LastError(HidHandle handle) const {
    return handle == kInvalidHandle ? state_->ThreadError() : state_->HandleError(handle);
}

OpenFailure LinuxHidPlatform::LastOpenFailure() const { return state_->ThreadOpenFailure(); }

}  // namespace vorn::hid
