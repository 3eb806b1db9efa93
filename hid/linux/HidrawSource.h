// Where the Linux backend learns which hidraw nodes exist. The program asks libudev
// (UdevHidrawSource); tests hand over nodes of a sysfs tree made in a temporary folder.
#pragma once

#include <string>
#include <vector>

namespace vorn::hid {

struct HidrawNode {
    int number = -1;         // N of hidrawN; the interface order follows it
    std::string devnode;     // /dev/hidrawN, opened for transfers only
    std::string hidSyspath;  // sysfs folder of the parent HID device; empty if none found
};

class HidrawSource {
  public:
    virtual ~HidrawSource() = default;
    // The hidraw nodes present now, in any order. False, with the failing call and its
    // reason in `error`, when the list cannot be had.
    virtual bool Scan(std::vector<HidrawNode>& nodes, std::string& error) = 0;
};

}  // namespace vorn::hid
