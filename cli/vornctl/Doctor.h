// vornctl doctor: one report, for a bug report or for the user, on whether the supported
// keyboards can be opened here and, when not, the one step that would mend it. Everything
// it reads is under a root folder (sysfs, /dev, /run, /etc and the udev rule folders), so
// that it can be run over a made-up tree.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vorn::cli {

struct DoctorHost {
    std::string root;                   // "" for the running system
    std::string version;                // "vornctl 1.0.0.6"
    std::string kernel;                 // "Linux 6.1.0-18-amd64 x86_64"
    std::uint32_t uid = 0;              // the user the report is for
    std::vector<std::uint32_t> groups;  // and the groups that user is in
    // 0 when the node at this path opens for reading and writing, else the errno.
    std::function<int(const std::string& path)> openError;
};

// The running system: root "", uname, getuid, getgroups and a real open (on Linux; elsewhere
// only the open).
DoctorHost SystemDoctorHost(const std::string& version);

// The folders udev reads rules from, first found wins, relative to the root.
const std::vector<std::string>& UdevRuleFolders();

// Writes the report to `out`. 0 when every supported keyboard plugged in can be opened
// (none plugged in counts), 1 otherwise.
int RunDoctor(const DoctorHost& host, std::ostream& out);

}  // namespace vorn::cli
