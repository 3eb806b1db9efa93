#include "keymap/KeymapBackup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

namespace vorn::keymap {

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;
constexpr char kExtension[] = ".dat";
constexpr std::size_t kStampLength = 19;  // YYYYMMDD-HHMMSS-mmm
constexpr std::size_t kIdsLength = 11;    // -vvvv-pppp-

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

std::string EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
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

bool IsRegularFile(int dir, const std::string& name) {
    struct stat st {};
    return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

bool Exists(int dir, const std::string& name) {
    struct stat st {};
    return ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

std::vector<std::string> EntryNames(int dir, std::string& problem) {
    std::vector<std::string> names;
    Fd copy(::dup(dir));
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

std::string Hex4(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

std::string IdsPart(std::uint32_t vendorId, std::uint32_t productId) {
    return "-" + Hex4(vendorId) + "-" + Hex4(productId) + "-";
}

// Letters and digits of the model's name; a run of anything else becomes one '-'.
std::string SafeModelName(const std::string& modelName) {
    std::string safe;
    for (const char c : modelName) {
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (plain) {
            safe += c;
        } else if (!safe.empty() && safe.back() != '-') {
            safe += '-';
        }
    }
    while (!safe.empty() && safe.back() == '-') safe.pop_back();
    return safe.empty() ? std::string("keyboard") : safe;
}

std::string Stamp(std::int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(milliseconds % 1000));
    return text;
}

// The time a stamp names, or nothing for text that is not a stamp.
std::optional<std::int64_t> ParseStamp(const std::string& text) {
    if (text.size() != kStampLength || text[8] != '-' || text[15] != '-') return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 8 && i != 15 && (text[i] < '0' || text[i] > '9')) return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        return std::atoi(text.substr(at, length).c_str());
    };
    std::tm utc{};
    utc.tm_year = number(0, 4) - 1900;
    utc.tm_mon = number(4, 2) - 1;
    utc.tm_mday = number(6, 2);
    utc.tm_hour = number(9, 2);
    utc.tm_min = number(11, 2);
    utc.tm_sec = number(13, 2);
    return static_cast<std::int64_t>(::timegm(&utc)) * 1000 + number(16, 3);
}

// The time of a backup of this model, or nothing for any other name.
std::optional<std::int64_t> BackupTime(const std::string& name, const std::string& ids) {
    const std::size_t extension = sizeof kExtension - 1;
    const std::size_t tail = kIdsLength + kStampLength + extension;
    if (name.size() <= tail || name.compare(name.size() - extension, extension, kExtension) != 0)
        return std::nullopt;
    if (name.compare(name.size() - tail, kIdsLength, ids) != 0) return std::nullopt;
    return ParseStamp(name.substr(name.size() - kStampLength - extension, kStampLength));
}

using Backups = std::vector<std::pair<std::int64_t, std::string>>;

// The model's backups in the folder, oldest first; only plain files count.
Backups ModelBackups(int dir, const std::string& ids, std::string& problem) {
    Backups backups;
    for (const std::string& name : EntryNames(dir, problem)) {
        const std::optional<std::int64_t> time = BackupTime(name, ids);
        if (time && IsRegularFile(dir, name)) backups.emplace_back(*time, name);
    }
    std::sort(backups.begin(), backups.end());
    return backups;
}

std::int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
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

// Writes the file under a temporary name and renames it into place; on failure nothing of
// it stays behind.
bool WriteNewFile(int dir, const std::string& name, const std::vector<std::uint8_t>& bytes,
                  std::string& problem) {
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

}  // namespace

std::string DefaultBackupFolder() {
#ifdef _WIN32
    const std::string local = EnvPath("LOCALAPPDATA");
    return local.empty() ? std::string() : local + "\\VornUtil\\backups";
#else
    const std::string state = EnvPath("XDG_STATE_HOME");
    if (!state.empty() && state.front() == '/') return state + "/vornutil/backups";
    const std::string home = EnvPath("HOME");
    return home.empty() ? std::string() : home + "/.local/state/vornutil/backups";
#endif
}

BackupStore::BackupStore(std::string folder)
    : folder_(folder.empty() ? DefaultBackupFolder() : std::move(folder)) {}

std::optional<std::string> BackupStore::Save(const std::string& modelName,
                                             const KeymapHeader& header,
                                             const std::vector<std::uint8_t>& blocks,
                                             std::string& problem) const {
    bool missing = false;
    const Fd dir = OpenFolder(folder_, true, problem, missing);
    if (!dir) return std::nullopt;
    const std::string ids = IdsPart(header.vendorId, header.productId);
    Backups backups = ModelBackups(dir.Get(), ids, problem);
    if (!problem.empty()) return std::nullopt;
    // Names sort as the backups were made, even when the clock steps back or two come
    // within one millisecond.
    std::int64_t time = NowMilliseconds();
    if (!backups.empty()) time = std::max(time, backups.back().first + 1);
    std::string name;
    for (;; ++time) {
        name = SafeModelName(modelName) + ids + Stamp(time) + kExtension;
        if (!Exists(dir.Get(), name)) break;
    }
    const HeaderBytes head = EncodeHeader(header);
    std::vector<std::uint8_t> bytes(head.size() + blocks.size());
    std::copy(head.begin(), head.end(), bytes.begin());
    std::copy(blocks.begin(), blocks.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(head.size()));
    if (!WriteNewFile(dir.Get(), name, bytes, problem)) return std::nullopt;
    backups.emplace_back(time, name);
    for (std::size_t i = 0; i + kBackupsKept < backups.size(); ++i) {
        ::unlinkat(dir.Get(), backups[i].second.c_str(), 0);
    }
    return (std::filesystem::path(folder_) / name).string();
}

std::vector<std::string> BackupStore::List(std::uint32_t vendorId, std::uint32_t productId,
                                           std::string& problem) const {
    std::vector<std::string> paths;
    bool missing = false;
    const Fd dir = OpenFolder(folder_, false, problem, missing);
    if (!dir) {
        if (missing) problem.clear();
        return paths;
    }
    for (const auto& [time, name] : ModelBackups(dir.Get(), IdsPart(vendorId, productId), problem))
        paths.push_back((std::filesystem::path(folder_) / name).string());
    return paths;
}

}  // namespace vorn::keymap
