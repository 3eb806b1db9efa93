// The backup folder as the backup store uses it: opened once for a save or a listing, and
// the few things done in it. Nothing is reached through a link: the folder itself must not
// be one, and the files in it are made, renamed and removed without following one.
//   POSIX (KeymapBackupPosix.cpp): the folder's own descriptor, the *at calls with
//     O_NOFOLLOW; the folder 0700 and the user's own, the files 0600.
//   Windows (KeymapBackupWindows.cpp): the folder held open as itself (never through a
//     reparse point, and not to be renamed or removed while held); a new file is made with
//     CREATE_NEW and moved over its name with MoveFileExA. The folder and its files keep the
//     access rules of the local application-data folder, which is the user's alone.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vorn::keymap {

class BackupFolder {
  public:
    // Opens `folder`, first making it and the folders on its way when `create`. On failure
    // Ok() is false and `problem` says why in a user's words; `missing` tells a folder that
    // is not there (and was not to be made) from one that cannot be used.
    BackupFolder(const std::string& folder, bool create, std::string& problem, bool& missing);
    ~BackupFolder();
    BackupFolder(const BackupFolder&) = delete;
    BackupFolder& operator=(const BackupFolder&) = delete;

    bool Ok() const;
    // The names of the folder's entries; `problem` set when it cannot be read.
    std::vector<std::string> Names(std::string& problem) const;
    // A plain file: not a folder, not a link.
    bool IsRegularFile(const std::string& name) const;
    // Anything at all under that name, a dangling link included.
    bool Exists(const std::string& name) const;
    // Writes the file under a temporary name and renames it into place, so that it appears
    // whole or not at all; on failure nothing of it stays behind.
    bool WriteNewFile(const std::string& name, const std::vector<std::uint8_t>& bytes,
                      std::string& problem) const;
    // Removes the entry itself (a link, never what it points to); quietly.
    void Remove(const std::string& name) const;

  private:
    [[maybe_unused]] std::string path_;  // used by the Windows calls, which take paths
    std::intptr_t handle_;               // the system's handle of the opened folder
};

// The path of `name` in `folder`, as the user is shown it.
std::string PathInFolder(const std::string& folder, const std::string& name);

// The UTC calendar time of `seconds` since the epoch, and back.
std::tm UtcCalendar(std::time_t seconds);
std::time_t UtcSeconds(std::tm utc);

}  // namespace vorn::keymap
