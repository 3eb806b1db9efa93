#include <time.h>
#include <windows.h>

#include <string>

#include "keymap/BackupFolder.h"

namespace vorn::keymap {

namespace {

constexpr int kTemporaryNameTries = 100;

// "what: the system's text (error N)."
std::string Why(const std::string& what, DWORD error) {
    char text[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' '))
        reason.pop_back();
    if (reason.empty()) reason = "unknown error";
    return what + ": " + reason + " (error " + std::to_string(error) + ").";
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Makes every missing folder on the way to `path` and `path` itself. A part that cannot be
// looked at (the server of a network path, say) is left to the next part's failure.
bool MakeFolders(const std::string& path, std::string& problem) {
    for (std::size_t end = 0; end <= path.size(); ++end) {
        if (end < path.size() && !IsSeparator(path[end])) continue;
        const std::string partial = path.substr(0, end);
        if (partial.empty() || IsSeparator(partial.back()) || partial.back() == ':') continue;
        if (::GetFileAttributesA(partial.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!IsMissing(::GetLastError())) continue;
        if (!::CreateDirectoryA(partial.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            problem = Why("The folder " + partial + " could not be made", ::GetLastError());
            return false;
        }
    }
    return true;
}

// Opens the backup folder itself: a reparse point (a symbolic link, a junction) is opened as
// itself, never followed, and refused. The handle does not share deletion, so the folder
// cannot be renamed, removed or replaced while it is held; and Windows does not rename a
// folder on its way while something inside is open. The files are therefore reached by path.
HANDLE OpenFolder(const std::string& folder, bool create, std::string& problem, bool& missing) {
    missing = false;
    if (folder.empty()) {
        problem = "No folder for backups is known: LOCALAPPDATA is not set.";
        return INVALID_HANDLE_VALUE;
    }
    if (create && !MakeFolders(folder, problem)) return INVALID_HANDLE_VALUE;
    const HANDLE dir =
        ::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (dir == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        missing = !create && IsMissing(error);
        problem = Why("The backup folder " + folder + " could not be opened", error);
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(dir, &info)) {
        problem = Why("The backup folder " + folder + " could not be examined", ::GetLastError());
        ::CloseHandle(dir);
        return INVALID_HANDLE_VALUE;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        problem =
            "The backup folder " + folder + " is a symbolic link or not a folder, and is not used.";
        ::CloseHandle(dir);
        return INVALID_HANDLE_VALUE;
    }
    return dir;
}

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool WriteAll(HANDLE file, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        length -= written;
    }
    return true;
}

}  // namespace

BackupFolder::BackupFolder(const std::string& folder, bool create, std::string& problem,
                           bool& missing)
    : path_(folder),
      handle_(reinterpret_cast<std::intptr_t>(OpenFolder(folder, create, problem, missing))) {}

BackupFolder::~BackupFolder() {
    if (Ok()) ::CloseHandle(Handle(handle_));
}

bool BackupFolder::Ok() const { return Handle(handle_) != INVALID_HANDLE_VALUE; }

std::vector<std::string> BackupFolder::Names(std::string& problem) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry{};
    const HANDLE find = ::FindFirstFileA(PathInFolder(path_, "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            problem = Why("The backup folder could not be read", error);
        return names;
    }
    do {
        names.emplace_back(entry.cFileName);
    } while (::FindNextFileA(find, &entry));
    const DWORD error = ::GetLastError();
    ::FindClose(find);
    if (error != ERROR_NO_MORE_FILES) problem = Why("The backup folder could not be read", error);
    return names;
}

// GetFileAttributesA looks at a reparse point itself, never at what it points to.
bool BackupFolder::IsRegularFile(const std::string& name) const {
    const DWORD attributes = ::GetFileAttributesA(PathInFolder(path_, name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool BackupFolder::Exists(const std::string& name) const {
    if (::GetFileAttributesA(PathInFolder(path_, name).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    return !IsMissing(::GetLastError());  // what cannot be looked at is not taken over
}

// CREATE_NEW fails on any existing name, a link included, so nothing is written through
// one; MoveFileExA replaces an entry of the final name (a link itself, never its target).
bool BackupFolder::WriteNewFile(const std::string& name, const std::vector<std::uint8_t>& bytes,
                                std::string& problem) const {
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kTemporaryNameTries && file == INVALID_HANDLE_VALUE;
         ++attempt) {
        temporary = PathInFolder(path_, "." + name + ".part" + std::to_string(attempt));
        file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = ::GetLastError();
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS &&
            error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        problem = Why("The backup file could not be made in the backup folder", error);
        return false;
    }
    bool written = WriteAll(file, bytes.data(), bytes.size()) && ::FlushFileBuffers(file);
    error = ::GetLastError();
    if (!::CloseHandle(file) && written) {
        written = false;
        error = ::GetLastError();
    }
    if (written && !::MoveFileExA(temporary.c_str(), PathInFolder(path_, name).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        error = ::GetLastError();
    }
    if (!written) {
        problem = Why("The backup file could not be written", error);
        ::DeleteFileA(temporary.c_str());
    }
    return written;
}

void BackupFolder::Remove(const std::string& name) const {
    ::DeleteFileA(PathInFolder(path_, name).c_str());
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || IsSeparator(folder.back())) return folder + name;
    return folder + "\\" + name;
}

std::tm UtcCalendar(std::time_t seconds) {
    std::tm utc{};
    ::gmtime_s(&utc, &seconds);
    return utc;
}

std::time_t UtcSeconds(std::tm utc) { return ::_mkgmtime(&utc); }

}  // namespace vorn::keymap
