#include "keymap/KeymapSession.h"

#include "hid/Discovery.h"
#include "keymap/KeymapMessages.h"

namespace vorn::keymap {

namespace {

std::optional<int> SelectedKeyboard(const hid::MainState& state, hid::UserSeam& user) {
    if (state.keyboards.Count() == 0) {
        user.ShowMessage(message::kPlugKeyboard);
        return std::nullopt;
    }
    if (state.keyboards.Selected() < 0) {
        user.ShowMessage(message::kSelectModel);
        return std::nullopt;
    }
    return state.keyboards.Selected();
}

bool OpenSelected(hid::Link& link, const hid::DeviceList& devices, int index, TransferKind kind) {
    // An upload starts from a fresh handle; a download opens over whatever is there.
    if (kind == TransferKind::kUpload) link.CloseLink();
    // A list item without its device entry has nothing to open.
    if (index >= devices.count || index >= hid::DeviceList::kCapacity) return false;
    return hid::OpenKeyboard(link, devices, index);
}

std::optional<KeymapHeader> AskGeometry(hid::Link& link, const hid::DeviceEntry& device,
                                        hid::UserSeam& user) {
    std::uint16_t blockSize = 0;
    std::uint8_t blockCount = 0;
    if (link.GetProperty(blockSize, blockCount) != hid::HID_OK) {
        user.ShowMessage(message::kPropertyFailed);
        return std::nullopt;
    }
    return KeymapHeader{device.vendorId, device.productId, blockSize, blockCount};
}

std::optional<std::string> AskPath(hid::UserSeam& user, TransferKind kind) {
    const hid::FileDialogRequest request = KeymapFileDialog();
    return kind == TransferKind::kUpload ? user.AskSaveFile(request) : user.AskOpenFile(request);
}

}  // namespace

hid::FileDialogRequest KeymapFileDialog() {
    // The save dialog gets "file must exist" too; the user seam's save dialog ignores that
    // flag, so a new file name can always be chosen.
    return {"*.dat", "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||",
            hid::kOfnExplorer | hid::kOfnFileMustExist};
}

std::optional<KeymapSession> BeginKeymapTransfer(hid::MainState& state, hid::Link& link,
                                                 hid::UserSeam& user, TransferKind kind) {
    if (state.scriptRunning.load()) return std::nullopt;
    const std::optional<int> index = SelectedKeyboard(state, user);
    if (!index) return std::nullopt;
    if (!OpenSelected(link, state.devices, *index, kind)) {
        user.ShowMessage(message::kInitFailed);
        return std::nullopt;
    }
    const hid::DeviceEntry& device = state.devices.entries[static_cast<std::size_t>(*index)];
    const std::optional<KeymapHeader> keyboard = AskGeometry(link, device, user);
    if (!keyboard) return std::nullopt;
    std::optional<std::string> path = AskPath(user, kind);
    if (!path) return std::nullopt;
    return KeymapSession{*index, *keyboard, std::move(*path)};
}

}  // namespace vorn::keymap
