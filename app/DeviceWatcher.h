// Brings a device monitor's changes to the Qt event loop: starts the monitor with a
// callback that queues each batch to the thread the watcher lives on, and there hands the
// batch's changes to a handler, oldest first.
//
// The monitor calls back on a thread of its choosing; only the queuing happens there.
// Destroying the watcher stops the monitor, which waits for a callback under way, and a
// batch still queued then goes with the watcher, unhandled.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "hid/DeviceMonitor.h"

namespace vorn::app {

class DeviceWatcher : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(hid::DeviceChange)>;

    // Watches `monitor` until destroyed; a monitor that is not listening is never heard of.
    DeviceWatcher(hid::DeviceMonitor& monitor, Handler handler, QObject* parent = nullptr);
    ~DeviceWatcher() override;

  private:
    void Handle(const std::vector<hid::DeviceChange>& changes);

    hid::DeviceMonitor& monitor_;
    Handler handler_;
};

}  // namespace vorn::app
