// The interface class GUIDs of the HID seam in the form the Windows calls take.
#pragma once

#include <windows.h>

#include "hid/HidPlatform.h"

namespace vorn::hid {

inline GUID ToGuid(const HidGuid& g) {
    GUID guid{};
    guid.Data1 = g.data1;
    guid.Data2 = g.data2;
    guid.Data3 = g.data3;
    for (int i = 0; i < 8; ++i) guid.Data4[i] = g.data4[i];
    return guid;
}

}  // namespace vorn::hid
