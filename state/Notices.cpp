#include "state/Notices.h"

#include "state/Messages.h"

namespace vorn::state {

void Inform(UserSeam& user, const std::string& text) {
    user.Tell(UserMessage{text, {}, MessageTone::kInformation});
}

void Warn(UserSeam& user, const std::string& text) {
    user.Tell(UserMessage{text, {}, MessageTone::kWarning});
}

std::string InitFailureDetail(const std::string& devicePath, const std::string& systemError) {
    std::string detail = "The keyboard's device " +
                         (devicePath.empty() ? std::string("node") : devicePath) +
                         " could not be opened";
    detail += systemError.empty() ? "." : " (" + systemError + ").";
    detail +=
        "\n\nOn Linux only root may open a keyboard's device node until the udev rule "
        "60-vornutil.rules gives it to the person at the seat. Install the rule "
        "(sudo cmake --install build, or copy res/60-vornutil.rules to /etc/udev/rules.d/), "
        "then run:\n"
        "    sudo udevadm control --reload-rules\n"
        "    sudo udevadm trigger --subsystem-match=hidraw --action=add\n"
        "and unplug and replug the keyboard.";
    return detail;
}

void TellInitFailed(UserSeam& user, hid::Link& link, const DeviceList& devices, int index) {
    const bool listed = index >= 0 && index < devices.count;
    const std::string path = listed ? devices.entries[static_cast<std::size_t>(index)].path : "";
    const std::string reason = link.Platform().LastError(hid::kInvalidHandle);
    user.Tell(
        UserMessage{message::kInitFailed, InitFailureDetail(path, reason), MessageTone::kWarning});
}

}  // namespace vorn::state
