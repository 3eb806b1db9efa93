// Finding the supported keyboards among the present HID interfaces, listing them by model
// name, and opening the chosen one as the link's device.
#pragma once

#include "HidPlatform.h"
#include "Link.h"
#include "MainState.h"

namespace vorn::hid {

// Empties the device list and marks the link closed (closing a device still open).
void ResetDeviceList(DeviceList& devices, Link& link);

// Rebuilds the device list and the keyboard list from the interfaces present now; the
// keyboard list ends with no selection.
void EnumerateKeyboards(Link& link, DeviceList& devices, ListModel& keyboards);

// Makes device list entry `index` the link's device. False when it cannot be opened.
bool OpenKeyboard(Link& link, const DeviceList& devices, int index);

}  // namespace vorn::hid
