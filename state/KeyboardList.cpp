#include "state/KeyboardList.h"

#include "hid/Discovery.h"
#include "hid/ModelTable.h"

namespace vorn::state {

void ResetDeviceList(DeviceList& devices, hid::Link& link) {
    link.MarkClosed();
    devices.Clear();
}

void EnumerateKeyboards(hid::Link& link, DeviceList& devices, ListModel& keyboards) {
    ResetDeviceList(devices, link);
    keyboards.Clear();
    for (const hid::DeviceEntry& found : hid::FindKeyboards(link.Platform())) {
        if (devices.count >= DeviceList::kCapacity) break;
        keyboards.Add(hid::ModelNameFor(static_cast<std::uint16_t>(found.vendorId),
                                        static_cast<std::uint16_t>(found.productId)));
        devices.entries[static_cast<std::size_t>(devices.count++)] = found;
    }
    keyboards.SetSelected(-1);
}

bool OpenKeyboard(hid::Link& link, const DeviceList& devices, int index) {
    if (index < 0 || index >= devices.count) return false;
    return hid::OpenKeyboard(link, devices.entries[static_cast<std::size_t>(index)]);
}

}  // namespace vorn::state
