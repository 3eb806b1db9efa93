#include "script/FreshFile.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

namespace vorn::script {
namespace {

constexpr int kAttempts = 16;

std::string FreshName(const std::string& finalPath, std::mt19937& random) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = finalPath + ".";
    for (int k = 0; k < 8; ++k) name += kDigits[random() % (sizeof kDigits - 1)];
    return name;
}

#ifdef _WIN32

// CREATE_NEW fails on any existing name, a link or other reparse point included. The file
// keeps the folder's access rules. Null with `taken` set when the name exists.
std::FILE* CreateNew(const std::string& name, bool& taken) {
    const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return nullptr;
    }
    const int fd =
        ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        ::DeleteFileA(name.c_str());
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        ::_close(fd);
        ::DeleteFileA(name.c_str());
    }
    return file;
}

void RemoveQuietly(const std::string& name) { ::DeleteFileA(name.c_str()); }

// Replaces the entry of the final name, a link itself and never its target.
bool MoveOver(const std::string& from, const std::string& to) {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

#else

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;  // 0600

void RemoveQuietly(const std::string& name) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

// O_EXCL with O_CREAT fails on any existing name, a dangling link included. Null with
// `taken` set when the name exists.
std::FILE* CreateNew(const std::string& name, bool& taken) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kOwnerOnly);
    if (fd < 0) {
        taken = errno == EEXIST;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        RemoveQuietly(name);
    }
    return file;
}

bool MoveOver(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

#endif

}  // namespace

FreshFile::~FreshFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!freshPath_.empty()) RemoveQuietly(freshPath_);
}

bool FreshFile::Open() {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string name = FreshName(finalPath_, random);
        bool taken = false;
        file_ = CreateNew(name, taken);
        if (file_ != nullptr) {
            freshPath_ = name;
            return true;
        }
        if (!taken) return false;
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
    if (!MoveOver(freshPath_, finalPath_)) return false;
    freshPath_.clear();
    return true;
}

}  // namespace vorn::script
