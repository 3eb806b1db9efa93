// A thread that reads a descriptor whenever it becomes readable: the Linux device monitor
// runs one on its udev socket. It reads once as soon as it starts, so what was waiting
// before is read then, and after that each time poll says the descriptor is readable.
// Stop wakes it through an eventfd of its own and joins it.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace vorn::hid {

class PollThread {
  public:
    // Reads what `fd` has now; must not block, and should take all there is, or it runs
    // again at once.
    using Reader = std::function<void()>;
    // Why waiting failed; the thread ends after it.
    using Loss = std::function<void(std::string reason)>;

    PollThread() = default;
    ~PollThread();
    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // Runs `read` and, should waiting fail, `lost` on the thread until Stop. False with
    // the failing call and its reason in `error` when the thread cannot be had. While
    // running, does nothing and answers true.
    bool Start(int fd, Reader read, Loss lost, std::string& error);
    // Ends the thread; once this has returned, neither `read` nor `lost` runs again.
    void Stop();
    bool Running() const { return thread_.joinable(); }

  private:
    int wake_ = -1;
    std::thread thread_;
};

}  // namespace vorn::hid
