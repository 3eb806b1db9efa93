// What keymap upload and download share: the checks and steps before the file is opened.
#pragma once

#include <optional>
#include <string>

#include "hid/Link.h"
#include "hid/MainState.h"
#include "hid/UserSeam.h"
#include "keymap/KeymapFile.h"

namespace vorn::keymap {

enum class TransferKind { kUpload, kDownload };

// The selected keyboard, opened, and the file the user chose for it.
struct KeymapSession {
    int index = -1;         // device list entry of the selected keyboard
    KeymapHeader keyboard;  // its ids and the geometry it reported
    std::string path;
};

// The file dialog both procedures show (kind aside).
hid::FileDialogRequest KeymapFileDialog();

// The common beginning: refuses while a script download runs (silently), without keyboards,
// without a selection; opens the selected keyboard, asks for its geometry and for a file.
// Nothing when the procedure ends here; every message on the way has been shown.
std::optional<KeymapSession> BeginKeymapTransfer(hid::MainState& state, hid::Link& link,
                                                 hid::UserSeam& user, TransferKind kind);

}  // namespace vorn::keymap
