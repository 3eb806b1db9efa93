// What keymap upload and download share: the checks and steps before the file is opened.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "hid/Link.h"
#include "keymap/KeymapFile.h"
#include "state/MainState.h"
#include "state/Outcome.h"
#include "state/UserSeam.h"

namespace vorn::keymap {

enum class TransferKind { kUpload, kDownload };

// The selected keyboard, opened, and the file the user chose for it.
struct KeymapSession {
    int index = -1;         // device list entry of the selected keyboard
    KeymapHeader keyboard;  // its ids and the geometry it reported
    std::string path;
};

// The file dialog both procedures show (kind aside).
state::FileDialogRequest KeymapFileDialog();

// What a procedure is to show when it ends, and how it ended. A null message ends it
// without a word (the user has just answered a question); the detail goes below the text.
struct Ending {
    const char* message;
    state::Outcome outcome;
    std::string detail{};
};

// The common beginning: refuses while a script download runs (silently), without keyboards,
// without a selection; opens the selected keyboard, asks for its geometry and for a file.
// The outcome when the procedure ends here; every message on the way has been shown.
std::variant<KeymapSession, state::Outcome> BeginKeymapTransfer(state::MainState& state,
                                                                hid::Link& link,
                                                                state::UserSeam& user,
                                                                TransferKind kind);

// A whole procedure: the common beginning, then `rest` on the chosen file, whose message is
// shown. The outcome of whichever part ended it.
using TransferRest = std::function<Ending(hid::Link& link, const KeymapSession& session)>;
state::Outcome RunKeymapTransfer(state::MainState& state, hid::Link& link, state::UserSeam& user,
                                 TransferKind kind, const TransferRest& rest);

}  // namespace vorn::keymap
