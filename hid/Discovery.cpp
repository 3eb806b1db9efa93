#include "hid/Discovery.h"

#include "hid/ModelTable.h"

namespace vorn::hid {

namespace {

// The walk looks at this many interface indices and no more; a keyboard further down the
// interface set is not found.
constexpr int kInterfaceIndices = 20;

constexpr std::uint16_t kVendorOrvane = 0x0A34;
constexpr std::uint16_t kVendorBrellow = 0x0F39;
constexpr std::uint16_t kKeyboardLinkUsage = 0x0080;

// What the walk does after one interface index.
enum class Walk { kGoOn, kStop };

struct Accepted {
    HidAttributes attributes;
    HidCaps caps;
};

bool IsSupportedVendor(std::uint16_t vendorId) {
    return vendorId == kVendorOrvane || vendorId == kVendorBrellow;
}

void Store(const Accepted& found, const std::string& path, DeviceList& devices,
           ListModel& keyboards) {
    const std::string name = ModelNameFor(found.attributes.vendorId, found.attributes.productId);
    // A full device list keeps what it has: a keyboard it cannot hold is not listed either,
    // so list item i and device entry i stay the same keyboard.
    if (name.empty() || devices.count >= DeviceList::kCapacity) return;
    keyboards.Add(name);
    keyboards.SetSelected(-1);
    DeviceEntry& entry = devices.entries[static_cast<std::size_t>(devices.count)];
    entry.productId = found.attributes.productId;
    entry.vendorId = found.attributes.vendorId;
    entry.path = path;
    entry.reportLength = found.caps.featureReportByteLength;
    ++devices.count;
}

enum class Verdict { kSkip, kAccept, kStop };

// Vendor pre-check, then the top-level usage; `handle` is open for the query only.
Verdict Check(HidPlatform& hid, HidHandle handle, Accepted& found) {
    if (hid.GetAttributes(handle, found.attributes) != HidCall::kOk) return Verdict::kSkip;
    if (!IsSupportedVendor(found.attributes.vendorId)) return Verdict::kSkip;
    const HidCall caps = hid.GetCaps(handle, found.caps);
    if (caps == HidCall::kNotAvailable) return Verdict::kStop;
    if (caps != HidCall::kOk || found.caps.usage != kKeyboardLinkUsage) return Verdict::kSkip;
    return Verdict::kAccept;
}

Walk CheckInterface(HidPlatform& hid, InterfaceSet set, int index, DeviceList& devices,
                    ListModel& keyboards) {
    const HidCall present = hid.EnumInterface(set, index);
    if (present == HidCall::kNotAvailable) return Walk::kStop;
    if (present != HidCall::kOk) return Walk::kGoOn;
    std::string path;
    if (hid.GetInterfacePath(set, index, path) != HidCall::kOk) return Walk::kStop;
    const HidHandle handle = hid.Open(path, OpenPurpose::kQuery);
    if (handle == kInvalidHandle) return Walk::kGoOn;
    Accepted found;
    const Verdict verdict = Check(hid, handle, found);
    if (verdict == Verdict::kAccept) Store(found, path, devices, keyboards);
    hid.Close(handle);
    return verdict == Verdict::kStop ? Walk::kStop : Walk::kGoOn;
}

}  // namespace

void ResetDeviceList(DeviceList& devices, Link& link) {
    link.MarkClosed();
    devices.Clear();
}

void EnumerateKeyboards(Link& link, DeviceList& devices, ListModel& keyboards) {
    ResetDeviceList(devices, link);
    keyboards.Clear();
    HidPlatform& hid = link.Platform();
    HidGuid hidClass;
    if (hid.GetHidGuid(hidClass) != HidCall::kOk) return;
    InterfaceSet set = kInvalidSet;
    if (hid.OpenInterfaceSet(hidClass, set) != HidCall::kOk) return;
    for (int index = 0; index < kInterfaceIndices; ++index) {
        if (CheckInterface(hid, set, index, devices, keyboards) == Walk::kStop) break;
    }
    // Also after an early stop: the snapshot is not needed any more and would leak.
    hid.CloseInterfaceSet(set);
}

bool OpenKeyboard(Link& link, const DeviceList& devices, int index) {
    if (index < 0 || index >= devices.count) return false;
    const DeviceEntry& entry = devices.entries[static_cast<std::size_t>(index)];
    const HidHandle handle = link.Platform().Open(entry.path, OpenPurpose::kTransfer);
    link.Attach(handle, static_cast<int>(entry.reportLength));
    return handle != kInvalidHandle;
}

}  // namespace vorn::hid
