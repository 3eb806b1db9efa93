// Keymap upload (keyboard to file) and keymap download (file to keyboard), the two keymap
// buttons of the main window. Both run on the GUI thread, block it for each keyboard
// command, and end with one message to the user (or none, when a script download is
// running or the file dialog is cancelled). The link is left open afterwards. Each returns
// how it ended, which is what a caller acts on: the message is for the user.
#pragma once

#include "hid/Link.h"
#include "state/MainState.h"
#include "state/Outcome.h"
#include "state/UserSeam.h"

namespace vorn::keymap {

// Reads every keymap block of the selected keyboard into a keymap file the user names.
// The file appears only when every block was saved; an earlier file of that name stays as
// it was when the upload fails.
state::Outcome KeymapUpload(state::MainState& state, hid::Link& link, state::UserSeam& user);

// Writes a keymap file the user picks into the selected keyboard. The file is checked and
// read whole before the keyboard's keymap is erased, so a foreign, damaged or short file
// leaves the keyboard as it was.
state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user);

}  // namespace vorn::keymap
