#include "app/GuiThread.h"

#include <QThread>

namespace vorn::app {

void RunOnThreadOf(QObject& context, const std::function<void()>& call) {
    if (QThread::currentThread() == context.thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(&context, call, Qt::BlockingQueuedConnection);
}

void PostToThreadOf(QObject& context, std::function<void()> call) {
    QMetaObject::invokeMethod(&context, std::move(call), Qt::QueuedConnection);
}

}  // namespace vorn::app
