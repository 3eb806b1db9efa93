// Keymap upload (keyboard to file) and keymap download (file to keyboard), the two keymap
// buttons of the main window. Both run on the GUI thread, block it for each keyboard
// command, and end with one message to the user (or none, when a script download is
// running or the file dialog is cancelled). The link is left open afterwards. Each returns
// how it ended, which is what a caller acts on: the message is for the user.
#pragma once

#include <chrono>
#include <string>

#include "hid/Link.h"
#include "state/MainState.h"
#include "state/Outcome.h"
#include "state/UserSeam.h"

namespace vorn::keymap {

// Reads every keymap block of the selected keyboard into a keymap file the user names.
// The file appears only when every block was saved; an earlier file of that name stays as
// it was when the upload fails.
state::Outcome KeymapUpload(state::MainState& state, hid::Link& link, state::UserSeam& user);

// What a download does when the keyboard's keymap cannot be saved before the erase.
enum class BackupPolicy {
    kAsk,      // ask the user whether to go on without a backup (the window)
    kRequire,  // refuse (vornctl without --no-backup)
    kSkip,     // make none (vornctl --no-backup; the simulated keyboard's own store)
};

struct DownloadOptions {
    BackupPolicy backup = BackupPolicy::kAsk;
    std::string backupFolder{};  // empty: DefaultBackupFolder()
    // How often the earlier keymap is written back after a failure, and the pause between
    // tries, which gives a keyboard that reset itself time to come back.
    int restoreTries = 3;
    std::chrono::milliseconds restorePause{1500};
    // The read-back after the last block. Only a measurement of what the check costs
    // turns it off.
    bool verify = true;
};

// Writes a keymap file the user picks into the selected keyboard. The file is checked and
// read whole before the keyboard's keymap is erased, so a foreign, damaged or short file
// leaves the keyboard as it was. Before the erase the keyboard's keymap is saved as a
// backup; after the last block every block is read back and compared. When anything fails
// after the erase, the backup is written back and the message's detail says so.
state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user,
                              const DownloadOptions& options);
// The window's download: asks before going on without a backup, default folder.
state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user);

}  // namespace vorn::keymap
