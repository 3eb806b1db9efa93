// The keyboard list of the main window: filled from what discovery finds, and the bridge
// from a list item to the link's device.
#pragma once

#include "hid/Link.h"
#include "state/DeviceList.h"
#include "state/ListModel.h"

namespace vorn::state {

// Empties the device list and marks the link closed (closing a device still open).
void ResetDeviceList(DeviceList& devices, hid::Link& link);

// Rebuilds the device list and the keyboard list, by model name, from the keyboards
// present now; the keyboard list ends with no selection. A keyboard the device list
// cannot hold is not listed either, so list item i and device entry i stay one keyboard.
void EnumerateKeyboards(hid::Link& link, DeviceList& devices, ListModel& keyboards);

// Makes device list entry `index` the link's device. False when there is no such entry or
// it cannot be opened.
bool OpenKeyboard(hid::Link& link, const DeviceList& devices, int index);

}  // namespace vorn::state
