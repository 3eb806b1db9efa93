#include "hid/linux/HidrawIoctl.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <memory>

namespace vorn::hid {

namespace {

int Checked(int result) { return result < 0 ? errno : 0; }

}  // namespace

int HidrawSetFeature(int fd, const std::uint8_t* report, std::size_t length) {
    if (!report || length == 0 || length > kMaxFeatureReport) return EINVAL;
    return Checked(::ioctl(fd, HIDIOCSFEATURE(length), report));
}

int HidrawGetFeature(int fd, std::uint8_t* report, std::size_t length) {
    if (!report || length == 0 || length > kMaxFeatureReport) return EINVAL;
    return Checked(::ioctl(fd, HIDIOCGFEATURE(length), report));
}

int HidrawReportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) return errno;
    if (size < 0 || size > HID_MAX_DESCRIPTOR_SIZE) return EINVAL;
    auto raw = std::make_unique<hidraw_report_descriptor>();
    raw->size = static_cast<__u32>(size);
    if (::ioctl(fd, HIDIOCGRDESC, raw.get()) < 0) return errno;
    descriptor.assign(raw->value, raw->value + size);
    return 0;
}

int HidrawAttributes(int fd, HidAttributes& attributes) {
    hidraw_devinfo info{};
    if (::ioctl(fd, HIDIOCGRAWINFO, &info) < 0) return errno;
    attributes.vendorId = static_cast<std::uint16_t>(info.vendor);
    attributes.productId = static_cast<std::uint16_t>(info.product);
    attributes.versionNumber = 0;
    return 0;
}

}  // namespace vorn::hid
