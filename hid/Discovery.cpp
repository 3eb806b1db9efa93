#include "hid/Discovery.h"

#include "hid/ModelTable.h"

namespace vorn::hid {

namespace {

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

// Only a model the table knows is a keyboard of ours.
void Store(const Accepted& found, const std::string& path, std::vector<DeviceEntry>& keyboards) {
    if (ModelNameFor(found.attributes.vendorId, found.attributes.productId).empty()) return;
    keyboards.push_back(DeviceEntry{found.attributes.vendorId, found.attributes.productId,
                                    found.caps.featureReportByteLength, path});
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

Walk CheckInterface(HidPlatform& hid, InterfaceSet set, int index,
                    std::vector<DeviceEntry>& keyboards) {
    const HidCall present = hid.EnumInterface(set, index);
    if (present == HidCall::kNotAvailable || present == HidCall::kEnd) return Walk::kStop;
    if (present != HidCall::kOk) return Walk::kGoOn;
    std::string path;
    if (hid.GetInterfacePath(set, index, path) != HidCall::kOk) return Walk::kStop;
    const HidHandle handle = hid.Open(path, OpenPurpose::kQuery);
    if (handle == kInvalidHandle) return Walk::kGoOn;
    Accepted found;
    const Verdict verdict = Check(hid, handle, found);
    if (verdict == Verdict::kAccept) Store(found, path, keyboards);
    hid.Close(handle);
    return verdict == Verdict::kStop ? Walk::kStop : Walk::kGoOn;
}

}  // namespace

std::vector<DeviceEntry> FindKeyboards(HidPlatform& hid) {
    std::vector<DeviceEntry> keyboards;
    HidGuid hidClass;
    if (hid.GetHidGuid(hidClass) != HidCall::kOk) return keyboards;
    InterfaceSet set = kInvalidSet;
    if (hid.OpenInterfaceSet(hidClass, set) != HidCall::kOk) return keyboards;
    for (int index = 0; index < kInterfaceWalkBound; ++index) {
        if (CheckInterface(hid, set, index, keyboards) == Walk::kStop) break;
    }
    // Also after an early stop: the snapshot is not needed any more and would leak.
    hid.CloseInterfaceSet(set);
    return keyboards;
}

bool OpenKeyboard(Link& link, const DeviceEntry& entry) {
    const HidHandle handle = link.Platform().Open(entry.path, OpenPurpose::kTransfer);
    link.Attach(handle, static_cast<int>(entry.reportLength));
    return handle != kInvalidHandle;
}

}  // namespace vorn::hid
