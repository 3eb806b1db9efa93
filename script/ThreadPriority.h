// The script download's worker asks for above-normal priority for itself; each system
// has its own call for that (ThreadPriorityPosix.cpp, ThreadPriorityWindows.cpp).
#pragma once

namespace vorn::script {

// One step above normal for the calling thread where the system grants it to an ordinary
// process; otherwise the thread keeps its priority.
void RaiseThreadPriority();

}  // namespace vorn::script
