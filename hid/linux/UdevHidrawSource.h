// The hidraw nodes as libudev lists them from sysfs. Works without a udev daemon: no node
// is left out for not being "initialized", since without the daemon none ever is.
#pragma once

#include "hid/linux/HidrawSource.h"

namespace vorn::hid {

class UdevHidrawSource : public HidrawSource {
  public:
    bool Scan(std::vector<HidrawNode>& nodes, std::string& error) override;
};

}  // namespace vorn::hid
