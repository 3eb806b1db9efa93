#include "script/FreshFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace vorn::script {
namespace {

constexpr int kAttempts = 16;
constexpr int kOwnerOnly = S_IRUSR | S_IWUSR;  // 0600

std::string FreshName(const std::string& finalPath, std::mt19937& random) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = finalPath + ".";
    for (int k = 0; k < 8; ++k) name += kDigits[random() % (sizeof kDigits - 1)];
    return name;
}

}  // namespace

FreshFile::~FreshFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!freshPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(freshPath_, ignored);
    }
}

bool FreshFile::Open() {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = FreshName(finalPath_, random);
        // O_EXCL with O_CREAT fails on any existing name, a dangling link included.
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, kOwnerOnly);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
            std::error_code ignored;
            std::filesystem::remove(name, ignored);
            return false;
        }
        freshPath_ = name;
        return true;
    }
    return false;
}

bool FreshFile::Close() {
    if (file_ == nullptr) return false;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
}

bool FreshFile::RenameOver() {
    if (freshPath_.empty() || file_ != nullptr) return false;
    std::error_code error;
    std::filesystem::rename(freshPath_, finalPath_, error);
    if (error) return false;
    freshPath_.clear();
    return true;
}

}  // namespace vorn::script
