#include "state/Notices.h"

#include "state/Messages.h"

namespace vorn::state {

void Inform(UserSeam& user, const std::string& text) {
    user.Tell(UserMessage{text, {}, MessageTone::kInformation});
}

void Warn(UserSeam& user, const std::string& text) {
    user.Tell(UserMessage{text, {}, MessageTone::kWarning});
}

namespace {

constexpr char kChooseAgain[] = "choose it in the list again.";

std::string Remedy(hid::OpenFailure failure) {
    if (failure == hid::OpenFailure::kGone) {
        return "The keyboard is no longer there: plug it in again and choose it in the list.";
    }
#ifdef _WIN32
    if (failure == hid::OpenFailure::kAccessDenied) {
        return std::string(
                   "Windows refused to open it; another program may be using it. "
                   "Close other keyboard tools, unplug and replug the keyboard, and ") +
               kChooseAgain;
    }
    return std::string("Unplug and replug the keyboard, and ") + kChooseAgain;
#else
    if (failure == hid::OpenFailure::kAccessDenied) {
        return "On Linux only root may open a keyboard's device node until the udev rule "
               "60-vornutil.rules gives it to the person at the seat. Install the rule "
               "(sudo cmake --install build, or copy res/60-vornutil.rules to "
               "/etc/udev/rules.d/), then run:\n"
               "    sudo udevadm control --reload-rules\n"
               "    sudo udevadm trigger --subsystem-match=hidraw --action=add\n"
               "and unplug and replug the keyboard. If that is not enough, vornctl doctor "
               "tells what else stands in the way.";
    }
    return std::string("Unplug and replug the keyboard, and ") + kChooseAgain +
           " If it fails again, vornctl doctor tells what stands in the way.";
#endif
}

}  // namespace

std::string InitFailureDetail(const std::string& devicePath, const std::string& systemError,
                              hid::OpenFailure failure) {
    std::string detail = "The keyboard's device " +
                         (devicePath.empty() ? std::string("node") : devicePath) +
                         " could not be opened";
    detail += systemError.empty() ? "." : " (" + systemError + ").";
    return detail + "\n\n" + Remedy(failure);
}

void TellInitFailed(UserSeam& user, hid::Link& link, const DeviceList& devices, int index) {
    const bool listed = index >= 0 && index < devices.count;
    const std::string path = listed ? devices.entries[static_cast<std::size_t>(index)].path : "";
    const std::string reason = link.Platform().LastError(hid::kInvalidHandle);
    const hid::OpenFailure failure = link.Platform().LastOpenFailure();
    user.Tell(UserMessage{message::kInitFailed, InitFailureDetail(path, reason, failure),
                          MessageTone::kWarning});
}

}  // namespace vorn::state
