// What `vornctl list --all` shows: every HID interface the keyboard walk looks at, with
// the reason each one was or was not taken, and whether a listed keyboard can really be
// opened for a transfer. The checks are the walk's own, in its order (vendor before
// usage, usage before the model table), so a reason names the check that refused it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"

namespace vorn::cli {

// Why the platform's last call failed, and whether that was a matter of permission.
struct PlatformProblem {
    std::string reason;  // empty when the platform cannot tell
    bool permission = false;
};
// Asked right after a failed call: on the handle the call failed on, or on
// hid::kInvalidHandle after a failed open.
using ProblemSource = std::function<PlatformProblem(hid::HidHandle handle)>;

// True for the texts of EACCES and EPERM at the end of a failure's reason.
bool IsPermissionReason(const std::string& reason);

enum class Finding {
    kKeyboard,        // listed
    kCannotOpen,      // could not be opened even to be looked at
    kNoAttributes,    // vendor and product id could not be read
    kOtherVendor,     // neither vendor of the model table
    kNoCaps,          // the top-level collection could not be read
    kCapsMissing,     // the capabilities call is not available: the walk stops here
    kOtherUsage,      // top-level usage is not the keyboard link's 0x0080
    kUnknownProduct,  // a supported vendor, but no model has this product id
    kListFull,        // the device list already holds as many keyboards as it can
    kBeyondWalk,      // past the interfaces the walk looks at
};

struct SurveyEntry {
    int index = 0;
    std::string path;
    Finding finding = Finding::kKeyboard;
    bool haveIds = false;
    hid::HidAttributes attributes;
    bool haveCaps = false;
    hid::HidCaps caps;
    PlatformProblem problem;      // for kCannotOpen, kNoAttributes, kNoCaps
    bool transferOpens = true;    // kKeyboard only: the device node opens for a transfer
    PlatformProblem openProblem;  // why it did not
};

// Walks the platform's HID interfaces as discovery does; `problems` may be empty.
std::vector<SurveyEntry> SurveyInterfaces(hid::HidPlatform& platform,
                                          const ProblemSource& problems);

// One line of text for an entry that is not a listed keyboard, e.g.
// "/dev/hidraw2  1209:0001  not taken: other vendor".
std::string DescribeFinding(const SurveyEntry& entry);

}  // namespace vorn::cli
