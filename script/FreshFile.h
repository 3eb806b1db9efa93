// A file written in full under a name of its own and then renamed over its final name, so
// that a reader never sees half of it and whatever stood under the final name (a link
// planted by another user, say) is replaced, never followed or written through.
#pragma once

#include <cstdio>
#include <string>

namespace vorn::script {

class FreshFile {
  public:
    explicit FreshFile(std::string finalPath) : finalPath_(std::move(finalPath)) {}
    ~FreshFile();
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;

    // Creates a new file beside the final one, readable and writable by the user only;
    // exclusive creation, so an existing name (a link included) is never opened.
    bool Open();
    std::FILE* Stream() const { return file_; }
    // Flushes and closes; false when a write failed.
    bool Close();
    // Replaces the final name with the written file; false leaves the final name as it was.
    bool RenameOver();

  private:
    std::string finalPath_;
    std::string freshPath_;
    std::FILE* file_ = nullptr;
};

}  // namespace vorn::script
