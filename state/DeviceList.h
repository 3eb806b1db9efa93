// The keyboards the window lists: entry i belongs to item i of the keyboard list.
#pragma once

#include <array>

#include "hid/Discovery.h"

namespace vorn::state {

struct DeviceList {
    // Keyboards found after the sixteenth are not listed.
    static constexpr int kCapacity = 16;
    std::array<hid::DeviceEntry, kCapacity> entries{};
    int count = 0;

    void Clear() {
        entries.fill(hid::DeviceEntry{});
        count = 0;
    }
};

}  // namespace vorn::state
