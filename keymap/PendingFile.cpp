#include "keymap/PendingFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace vorn::keymap {

namespace {

// Temporary names tried next to the target before giving up; a name already taken (say,
// left by a crash) is skipped, never reused.
constexpr int kTemporaryNameTries = 100;

std::string TemporaryName(const std::string& target, int attempt) {
    return target + ".part" + std::to_string(attempt);
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// Bytes still in the stream's buffer fail to reach the disk only here, so both results count.
bool FlushAndClose(std::FILE* file) {
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return flushed && closed;
}

// Replacing a file by a move needs only the folder's permission, so a file the user may not
// write (or a folder of that name) would be replaced all the same. Such a target is
// refused here, as opening it for writing would refuse it; a missing one is fine.
bool TargetWritable(const std::string& target) {
    std::error_code error;
    if (!std::filesystem::exists(target, error)) return !error;
    std::FILE* file = std::fopen(target.c_str(), "r+b");  // opens without truncating
    if (file) std::fclose(file);
    return file != nullptr;
}

// The replacement keeps the permissions the earlier file had.
void TakePermissions(const std::string& from, const std::string& to) {
    std::error_code error;
    const auto status = std::filesystem::status(from, error);
    if (!error && std::filesystem::exists(status)) {
        std::filesystem::permissions(to, status.permissions(), error);
    }
}

}  // namespace

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {}

PendingFile::~PendingFile() { Discard(); }

bool PendingFile::Open() {
    if (!TargetWritable(target_)) return false;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        const std::string candidate = TemporaryName(target_, attempt);
        errno = 0;
        // "x": create exclusively, so a file of that name that is not ours is never touched.
        file_.reset(std::fopen(candidate.c_str(), "wbx"));
        if (file_) {
            temporary_ = candidate;
            return true;
        }
        if (errno != EEXIST) return false;  // the folder itself refuses
    }
    return false;
}

bool PendingFile::Write(const void* data, std::size_t length) {
    if (!file_) return false;
    return std::fwrite(data, 1, length, file_.get()) == length;
}

bool PendingFile::Commit() {
    if (!file_) return false;
    const bool written = FlushAndClose(file_.release());
    std::error_code error;
    if (written) {
        TakePermissions(target_, temporary_);
        std::filesystem::rename(temporary_, target_, error);
    }
    if (!written || error) RemoveQuietly(temporary_);
    temporary_.clear();
    return written && !error;
}

void PendingFile::Discard() {
    file_.reset();
    if (!temporary_.empty()) RemoveQuietly(temporary_);
    temporary_.clear();
}

}  // namespace vorn::keymap
