#include "keymap/KeymapSession.h"

#include "keymap/KeymapMessages.h"
#include "state/KeyboardList.h"
#include "state/Messages.h"
#include "state/Notices.h"

namespace vorn::keymap {

namespace {

std::optional<int> SelectedKeyboard(const state::MainState& state, state::UserSeam& user) {
    if (state.keyboards.Count() == 0) {
        state::Warn(user, state::message::kPlugKeyboard);
        return std::nullopt;
    }
    if (state.keyboards.Selected() < 0) {
        state::Warn(user, state::message::kSelectModel);
        return std::nullopt;
    }
    return state.keyboards.Selected();
}

bool OpenSelected(hid::Link& link, const state::DeviceList& devices, int index, TransferKind kind) {
    // An upload starts from a fresh handle; a download opens over whatever is there.
    if (kind == TransferKind::kUpload) link.CloseLink();
    // A list item without its device entry has nothing to open.
    if (index >= devices.count || index >= state::DeviceList::kCapacity) return false;
    return state::OpenKeyboard(link, devices, index);
}

std::optional<KeymapHeader> AskGeometry(hid::Link& link, const hid::DeviceEntry& device,
                                        state::UserSeam& user) {
    std::uint16_t blockSize = 0;
    std::uint8_t blockCount = 0;
    if (link.GetProperty(blockSize, blockCount) != hid::HID_OK) {
        state::Warn(user, message::kPropertyFailed);
        return std::nullopt;
    }
    return KeymapHeader{device.vendorId, device.productId, blockSize, blockCount};
}

std::optional<std::string> AskPath(state::UserSeam& user, TransferKind kind) {
    const state::FileDialogRequest request = KeymapFileDialog();
    return kind == TransferKind::kUpload ? user.AskSaveFile(request) : user.AskOpenFile(request);
}

}  // namespace

state::FileDialogRequest KeymapFileDialog() {
    // The save dialog gets "file must exist" too; the user seam's save dialog ignores that
    // flag, so a new file name can always be chosen.
    return {"*.dat", "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||",
            state::kOfnExplorer | state::kOfnFileMustExist};
}

std::variant<KeymapSession, state::Outcome> BeginKeymapTransfer(state::MainState& state,
                                                                hid::Link& link,
                                                                state::UserSeam& user,
                                                                TransferKind kind) {
    if (state.scriptRunning.load()) return state::Outcome::kRefused;
    const std::optional<int> index = SelectedKeyboard(state, user);
    if (!index) return state::Outcome::kRefused;
    if (!OpenSelected(link, state.devices, *index, kind)) {
        state::TellInitFailed(user, link, state.devices, *index);
        return state::Outcome::kFailed;
    }
    const hid::DeviceEntry& device = state.devices.entries[static_cast<std::size_t>(*index)];
    const std::optional<KeymapHeader> keyboard = AskGeometry(link, device, user);
    if (!keyboard) return state::Outcome::kFailed;
    std::optional<std::string> path = AskPath(user, kind);
    if (!path) return state::Outcome::kCancelled;
    return KeymapSession{*index, *keyboard, std::move(*path)};
}

state::Outcome RunKeymapTransfer(state::MainState& state, hid::Link& link, state::UserSeam& user,
                                 TransferKind kind, const TransferRest& rest) {
    const auto begun = BeginKeymapTransfer(state, link, user, kind);
    if (const auto* ended = std::get_if<state::Outcome>(&begun)) return *ended;
    const Ending ending = rest(link, std::get<KeymapSession>(begun));
    if (ending.message) {
        const bool done = ending.outcome == state::Outcome::kDone;
        user.Tell({ending.message, ending.detail,
                   done ? state::MessageTone::kInformation : state::MessageTone::kWarning});
    }
    return ending.outcome;
}

}  // namespace vorn::keymap
