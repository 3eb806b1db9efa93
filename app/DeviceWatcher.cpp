#include "app/DeviceWatcher.h"

#include "app/GuiThread.h"

namespace vorn::app {

DeviceWatcher::DeviceWatcher(hid::DeviceMonitor& monitor, Handler handler, QObject* parent)
    : QObject(parent), monitor_(monitor), handler_(std::move(handler)) {
    monitor_.Start([this](std::vector<hid::DeviceChange> changes) {
        PostToThreadOf(*this, [this, changes = std::move(changes)] { Handle(changes); });
    });
}

DeviceWatcher::~DeviceWatcher() { monitor_.Stop(); }

void DeviceWatcher::Handle(const std::vector<hid::DeviceChange>& changes) {
    for (hid::DeviceChange change : changes) handler_(change);
}

}  // namespace vorn::app
