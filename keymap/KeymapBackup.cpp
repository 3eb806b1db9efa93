#include "keymap/KeymapBackup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "keymap/BackupFolder.h"

namespace vorn::keymap {

namespace {

constexpr char kExtension[] = ".dat";
constexpr std::size_t kStampLength = 19;  // YYYYMMDD-HHMMSS-mmm
constexpr std::size_t kIdsLength = 11;    // -vvvv-pppp-

std::string EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
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
    const std::tm utc = UtcCalendar(seconds);
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
    return static_cast<std::int64_t>(UtcSeconds(utc)) * 1000 + number(16, 3);
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
Backups ModelBackups(const BackupFolder& dir, const std::string& ids, std::string& problem) {
    Backups backups;
    for (const std::string& name : dir.Names(problem)) {
        const std::optional<std::int64_t> time = BackupTime(name, ids);
        if (time && dir.IsRegularFile(name)) backups.emplace_back(*time, name);
    }
    std::sort(backups.begin(), backups.end());
    return backups;
}

std::int64_t NowMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
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
    const BackupFolder dir(folder_, true, problem, missing);
    if (!dir.Ok()) return std::nullopt;
    const std::string ids = IdsPart(header.vendorId, header.productId);
    Backups backups = ModelBackups(dir, ids, problem);
    if (!problem.empty()) return std::nullopt;
    // Names sort as the backups were made, even when the clock steps back or two come
    // within one millisecond.
    std::int64_t time = NowMilliseconds();
    if (!backups.empty()) time = std::max(time, backups.back().first + 1);
    std::string name;
    for (;; ++time) {
        name = SafeModelName(modelName) + ids + Stamp(time) + kExtension;
        if (!dir.Exists(name)) break;
    }
    const HeaderBytes head = EncodeHeader(header);
    std::vector<std::uint8_t> bytes(head.size() + blocks.size());
    std::copy(head.begin(), head.end(), bytes.begin());
    std::copy(blocks.begin(), blocks.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(head.size()));
    if (!dir.WriteNewFile(name, bytes, problem)) return std::nullopt;
    backups.emplace_back(time, name);
    for (std::size_t i = 0; i + kBackupsKept < backups.size(); ++i) {
        dir.Remove(backups[i].second);
    }
    return PathInFolder(folder_, name);
}

std::vector<std::string> BackupStore::List(std::uint32_t vendorId, std::uint32_t productId,
                                           std::string& problem) const {
    std::vector<std::string> paths;
    bool missing = false;
    const BackupFolder dir(folder_, false, problem, missing);
    if (!dir.Ok()) {
        if (missing) problem.clear();
        return paths;
    }
    for (const auto& [time, name] : ModelBackups(dir, IdsPart(vendorId, productId), problem))
        paths.push_back(PathInFolder(folder_, name));
    return paths;
}

}  // namespace vorn::keymap
