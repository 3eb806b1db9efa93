// A file that replaces its target only once it is complete. It is written under a
// temporary name in the target's folder (so the final move stays on one file system) and
// moved over the target by Commit; until then an earlier file of the target's name is left
// alone, and a PendingFile dropped without a successful Commit removes what it wrote.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

namespace vorn::keymap {

class PendingFile {
  public:
    explicit PendingFile(std::string target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file; false when the folder cannot take one, or when the target
    // exists but could not be written in place (a read-only file, a folder).
    bool Open();
    // Null until Open succeeded, and after Commit or Discard.
    std::FILE* Handle() const { return file_.get(); }
    // True when all `length` bytes went out.
    bool Write(const void* data, std::size_t length);
    // Flushes and closes the temporary file and moves it over the target. On failure the
    // temporary file is removed and the target is as it was.
    bool Commit();
    // Closes and removes the temporary file; the target is as it was.
    void Discard();

    const std::string& Target() const { return target_; }
    // The temporary file's path; empty until Open succeeded.
    const std::string& TemporaryPath() const { return temporary_; }

  private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::string target_;
    std::string temporary_;
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace vorn::keymap
