// The keymaps that downloads saved before erasing a keyboard. Each backup is an ordinary
// keymap file (it downloads like any other), named after the model and the time:
//
//   <model name>-<vendor id>-<product id>-<YYYYMMDD>-<HHMMSS>-<mmm>.dat   (UTC, ids in hex)
//
// The folder is the user's alone (0700) and so are the files (0600). Nothing in it is
// reached through a symbolic link: the folder itself must not be one, and each file is
// opened, renamed and removed relative to the opened folder without following links. A new
// backup appears whole or not at all (written under a temporary name, then renamed). Of
// each model the newest kBackupsKept stay; nothing else in the folder is ever removed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "keymap/KeymapFile.h"

namespace vorn::keymap {

inline constexpr std::size_t kBackupsKept = 20;

// $XDG_STATE_HOME/vornutil/backups when that variable holds an absolute path, otherwise
// $HOME/.local/state/vornutil/backups; on Windows %LOCALAPPDATA%\VornUtil\backups. Empty
// when none of those variables is set.
std::string DefaultBackupFolder();

class BackupStore {
  public:
    // An empty `folder` means DefaultBackupFolder().
    explicit BackupStore(std::string folder = {});

    const std::string& Folder() const { return folder_; }

    // Saves `blocks` (N blocks of S bytes, as `header` says) as the newest backup of the
    // model; older ones of the model beyond kBackupsKept are removed. The new file's path,
    // or nothing with `problem` saying why in a user's words.
    std::optional<std::string> Save(const std::string& modelName, const KeymapHeader& header,
                                    const std::vector<std::uint8_t>& blocks,
                                    std::string& problem) const;

    // The paths of the model's backups, oldest first. Empty, with `problem` set, when the
    // folder cannot be read; empty without a problem when it holds none (or does not exist).
    std::vector<std::string> List(std::uint32_t vendorId, std::uint32_t productId,
                                  std::string& problem) const;

  private:
    std::string folder_;
};

}  // namespace vorn::keymap
