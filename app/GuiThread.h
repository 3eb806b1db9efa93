// Running a piece of work on the thread that owns a Qt object, usually the GUI thread.
#pragma once

#include <QObject>
#include <functional>

namespace vorn::app {

// Runs `call` on the thread of `context` and returns once it has run. From that thread it
// runs at once; from any other it is queued to that thread's event loop and the caller
// waits. If `context` is destroyed before the call is delivered, the call is dropped and
// the caller is released.
void RunOnThreadOf(QObject& context, const std::function<void()>& call);

// Queues `call` to the thread of `context` and returns at once; dropped if `context` is
// destroyed first.
void PostToThreadOf(QObject& context, std::function<void()> call);

}  // namespace vorn::app
