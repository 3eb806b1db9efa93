// A fresh directory for one test's files, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>
#ifdef _WIN32
#include <process.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorn::test {

class TempDir {
  public:
#ifdef _WIN32
    // No mkdtemp on Windows: a name of the process and a counter, made or refused at once.
    TempDir() {
        static std::atomic<unsigned> next{0};
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate =
                base / ("vorn-test-" + std::to_string(_getpid()) + "-" + std::to_string(next++));
            if (std::filesystem::create_directory(candidate)) path_ = candidate;
        }
        if (path_.empty()) throw std::runtime_error("no temporary directory");
    }
#else
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vorn-test-XXXXXX");
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
#endif
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }
    // Writes `text` to the file `name` in the directory and returns that file's path.
    std::string Write(const std::string& name, const std::string& text) const;
    // Names of everything in the directory, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string TempDir::Write(const std::string& name, const std::string& text) const {
    const std::string path = File(name);
    WriteText(path, text);
    return path;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace vorn::test
