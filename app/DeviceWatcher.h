// Watches a device monitor from the Qt event loop and hands each device change to a
// handler, on the thread the watcher lives on.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "hid/DeviceMonitor.h"

namespace vorn::app {

class DeviceWatcher : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(hid::DeviceChange)>;

    // Watches `monitor` until destroyed; a monitor without a descriptor is never heard of.
    DeviceWatcher(hid::DeviceMonitor& monitor, Handler handler, QObject* parent = nullptr);

    bool Watching() const { return notifier_ != nullptr; }
    // Hands every change pending now to the handler, oldest first.
    void ReadPending();

  private:
    hid::DeviceMonitor& monitor_;
    Handler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vorn::app
