#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "script/ThreadPriority.h"

namespace vorn::script {

// On Linux a thread has a nice value of its own, set through its thread id.
void RaiseThreadPriority() {
    const id_t thread = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, nice - 1);
}

}  // namespace vorn::script
