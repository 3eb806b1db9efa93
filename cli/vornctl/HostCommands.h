// The vornctl commands about the system rather than a keyboard's procedures: doctor,
// udev-rule and watch, and --version. main() asks these first; anything else goes to
// VornctlMain.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/vornctl/Doctor.h"
#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"

namespace vorn::cli {

struct HostContext {
    hid::HidPlatform& platform;
    std::ostream& out;
    std::ostream& err;
    std::function<DoctorHost()> doctorHost;
    std::function<std::unique_ptr<hid::DeviceMonitor>()> makeMonitor;
    const std::atomic<bool>& stop;
};

// The exit status when `args` name one of these commands, else nothing.
std::optional<int> RunHostCommand(const std::vector<std::string>& args, const HostContext& context);

}  // namespace vorn::cli
