#include "hid/linux/PollThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "hid/linux/SystemError.h"

namespace vorn::hid {

namespace {

void Watch(int fd, int wake, const PollThread::Reader& read, const PollThread::Loss& lost) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    for (;;) {
        read();
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            lost(SystemError("poll", errno));
            return;
        }
        if (watched[1].revents != 0) return;
        if (watched[0].revents & POLLNVAL) {
            lost(SystemError("poll", EBADF));
            return;
        }
    }
}

}  // namespace

PollThread::~PollThread() { Stop(); }

bool PollThread::Start(int fd, Reader read, Loss lost, std::string& error) {
    if (Running()) return true;
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        error = SystemError("eventfd", errno);
        return false;
    }
    try {
        thread_ = std::thread([fd, wake = wake_, read = std::move(read), lost = std::move(lost)] {
            Watch(fd, wake, read, lost);
        });
    } catch (const std::system_error& failure) {
        error = SystemError("std::thread", failure.code().value());
        ::close(wake_);
        wake_ = -1;
        return false;
    }
    return true;
}

void PollThread::Stop() {
    if (!Running()) return;
    const std::uint64_t one = 1;
    // Fails only when the counter is full, which wakes the thread as well.
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    thread_.join();
    ::close(wake_);
    wake_ = -1;
}

}  // namespace vorn::hid
