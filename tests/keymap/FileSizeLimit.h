// Makes writes past `bytes` into any file of this process fail (EFBIG), for as long as it
// lives: the way to see a disk filling up in the middle of a keymap file.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <stdexcept>

namespace vorn::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        // Past the limit the kernel raises SIGXFSZ, which would end the test process.
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &previous_) != 0) throw std::runtime_error("getrlimit");
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limited) != 0) throw std::runtime_error("setrlimit");
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace vorn::test
