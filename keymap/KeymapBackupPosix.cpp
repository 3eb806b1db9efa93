#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "keymap/BackupFolder.h"

namespace vorn::keymap {

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

std::string Why(const std::string& what, int error) {
    return what + ": " + std::strerror(error) + ".";
}

// Makes every missing folder on the way to `path` (not `path` itself), for the user alone.
bool MakeParents(const std::filesystem::path& path, std::string& problem) {
    std::filesystem::path partial;
    for (const std::filesystem::path& part : path.parent_path()) {
        partial /= part;
        if (::mkdir(partial.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            problem = Why("The folder " + partial.string() + " could not be made", errno);
            return false;
        }
    }
    return true;
}

// Opens the backup folder itself, never through a symbolic link, and makes sure it is the
// user's own and closed to everybody else. `missing` tells a folder that is not there yet
// (and was not to be made) from one that cannot be used.
Fd OpenFolder(const std::string& folder, bool create, std::string& problem, bool& missing) {
    missing = false;
    if (folder.empty()) {
        problem = "No folder for backups is known: neither XDG_STATE_HOME nor HOME is set.";
        return Fd();
    }
    std::filesystem::path path(folder);
    while (path.has_relative_path() && path.filename().empty()) path = path.parent_path();
    if (create && !MakeParents(path, problem)) return Fd();
    const std::string parent = path.has_parent_path() ? path.parent_path().string() : ".";
    Fd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parentFd) {
        missing = !create && errno == ENOENT;
        problem = Why("The folder " + parent + " could not be opened", errno);
        return Fd();
    }
    const std::string name = path.filename().string();
    if (create && ::mkdirat(parentFd.Get(), name.c_str(), kFolderMode) != 0 && errno != EEXIST) {
        problem = Why("The backup folder " + folder + " could not be made", errno);
        return Fd();
    }
    Fd dir(::openat(parentFd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir) {
        const int error = errno;
        missing = !create && error == ENOENT;
        problem = error == ELOOP || error == ENOTDIR
                      ? "The backup folder " + folder +
                            " is a symbolic link or not a folder, and is not used."
                      : Why("The backup folder " + folder + " could not be opened", error);
        return Fd();
    }
    struct stat st {};
    if (::fstat(dir.Get(), &st) != 0) {
        problem = Why("The backup folder " + folder + " could not be examined", errno);
        return Fd();
    }
    if (st.st_uid != ::geteuid()) {
        problem = "The backup folder " + folder + " belongs to another user, and is not used.";
        return Fd();
    }
    if ((st.st_mode & 07777) != kFolderMode && ::fchmod(dir.Get(), kFolderMode) != 0) {
        problem = Why("The backup folder " + folder + " could not be closed to other users", errno);
        return Fd();
    }
    return dir;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

BackupFolder::BackupFolder(const std::string& folder, bool create, std::string& problem,
                           bool& missing)
    : path_(folder), handle_(OpenFolder(folder, create, problem, missing).Release()) {}

BackupFolder::~BackupFolder() { Fd closed(static_cast<int>(handle_)); }

bool BackupFolder::Ok() const { return handle_ >= 0; }

std::vector<std::string> BackupFolder::Names(std::string& problem) const {
    std::vector<std::string> names;
    Fd copy(::dup(static_cast<int>(handle_)));
    DIR* stream = copy ? ::fdopendir(copy.Get()) : nullptr;
    if (!stream) {
        problem = Why("The backup folder could not be read", errno);
        return names;
    }
    copy.Release();  // the stream owns it now
    ::rewinddir(stream);
    while (const dirent* entry = ::readdir(stream)) names.emplace_back(entry->d_name);
    ::closedir(stream);
    return names;
}

bool BackupFolder::IsRegularFile(const std::string& name) const {
    struct stat st {};
    return ::fstatat(static_cast<int>(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode);
}

bool BackupFolder::Exists(const std::string& name) const {
    struct stat st {};
    return ::fstatat(static_cast<int>(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool BackupFolder::WriteNewFile(const std::string& name, const std::vector<std::uint8_t>& bytes,
                                std::string& problem) const {
    const int dir = static_cast<int>(handle_);
    std::string temporary;
    Fd file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = "." + name + ".part" + std::to_string(attempt);
        file = Fd(::openat(dir, temporary.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
        if (!file && errno != EEXIST) break;
    }
    if (!file) {
        problem = Why("The backup file could not be made in the backup folder", errno);
        return false;
    }
    const bool written = ::fchmod(file.Get(), kFileMode) == 0 &&
                         WriteAll(file.Get(), bytes.data(), bytes.size()) &&
                         ::fsync(file.Get()) == 0;
    const int error = errno;
    const bool closed = ::close(file.Release()) == 0;
    if (!written || !closed || ::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
        problem = Why("The backup file could not be written", written && closed ? errno : error);
        ::unlinkat(dir, temporary.c_str(), 0);
        return false;
    }
    return true;
}

void BackupFolder::Remove(const std::string& name) const {
    ::unlinkat(static_cast<int>(handle_), name.c_str(), 0);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

std::tm UtcCalendar(std::time_t seconds) {
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    return utc;
}

std::time_t UtcSeconds(std::tm utc) { return ::timegm(&utc); }

}  // namespace vorn::keymap
