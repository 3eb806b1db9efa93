#include "app/DeviceWatcher.h"

namespace vorn::app {

DeviceWatcher::DeviceWatcher(hid::DeviceMonitor& monitor, Handler handler, QObject* parent)
    : QObject(parent), monitor_(monitor), handler_(std::move(handler)) {
    if (monitor_.Descriptor() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(monitor_.Descriptor(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceWatcher::ReadPending);
}

void DeviceWatcher::ReadPending() {
    for (hid::DeviceChange change : monitor_.ReadPending()) handler_(change);
}

}  // namespace vorn::app
