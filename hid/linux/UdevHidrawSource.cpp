#include "hid/linux/UdevHidrawSource.h"

#include <libudev.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "hid/linux/SystemError.h"

namespace vorn::hid {

namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

int NodeNumber(udev_device* device) {
    const char* sysnum = udev_device_get_sysnum(device);
    return sysnum ? std::atoi(sysnum) : -1;
}

HidrawNode NodeOf(udev_device* device) {
    HidrawNode node;
    node.number = NodeNumber(device);
    const char* devnode = udev_device_get_devnode(device);
    node.devnode = devnode ? devnode : std::string("/dev/") + udev_device_get_sysname(device);
    // The parent HID device carries HID_ID and the report descriptor; a USB parent would
    // not do, Bluetooth and virtual devices have none. The parent belongs to `device`.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (hid) node.hidSyspath = udev_device_get_syspath(hid);
    return node;
}

void Collect(udev* u, udev_enumerate* enumerate, std::vector<HidrawNode>& nodes) {
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        const char* syspath = udev_list_entry_get_name(entry);
        std::unique_ptr<udev_device, UdevUnref> device(udev_device_new_from_syspath(u, syspath));
        if (device) nodes.push_back(NodeOf(device.get()));
    }
}

}  // namespace

bool UdevHidrawSource::Scan(std::vector<HidrawNode>& nodes, std::string& error) {
    nodes.clear();
    std::unique_ptr<udev, UdevUnref> u(udev_new());
    if (!u) {
        error = SystemError("udev_new", errno);
        return false;
    }
    std::unique_ptr<udev_enumerate, UdevUnref> enumerate(udev_enumerate_new(u.get()));
    if (!enumerate) {
        error = SystemError("udev_enumerate_new", errno);
        return false;
    }
    int result = udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw");
    if (result >= 0) result = udev_enumerate_scan_devices(enumerate.get());
    if (result < 0) {
        error = SystemError("udev_enumerate_scan_devices", -result);
        return false;
    }
    Collect(u.get(), enumerate.get(), nodes);
    return true;
}

}  // namespace vorn::hid
