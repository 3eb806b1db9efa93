#include "fuzz/harness/ScratchDir.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace vorn::fuzz {

namespace {

// $TMPDIR when set; otherwise memory-backed /dev/shm where there is one, since a fuzz run
// creates and replaces files thousands of times a second and a disk makes that the
// bottleneck.
std::filesystem::path Parent() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return tmp;
    if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

class Folder {
  public:
    Folder() {
        std::string pattern = (Parent() / "vorn-fuzz-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace

const std::string& ScratchDir() {
    static const Folder folder;
    return folder.Path();
}

std::string ScratchFile(const std::string& name) { return ScratchDir() + "/" + name; }

bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    // An empty input has no data pointer, which fwrite must not be given.
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    std::uint8_t chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

}  // namespace vorn::fuzz
