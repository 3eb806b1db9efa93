#include <windows.h>

#include "script/ThreadPriority.h"

namespace vorn::script {

void RaiseThreadPriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace vorn::script
