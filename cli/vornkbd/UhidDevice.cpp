#include "cli/vornkbd/UhidDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "hid/linux/SystemError.h"

namespace vorn::kbd {

namespace {

template <std::size_t N>
void CopyText(std::uint8_t (&target)[N], const std::string& text) {
    const std::size_t count = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), count);
    target[count] = 0;
}

}  // namespace

UhidDevice::~UhidDevice() { Destroy(); }

bool UhidDevice::Open(const std::string& node, std::string& error) {
    fd_ = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ >= 0) return true;
    error = hid::SystemError("open " + node, errno);
    return false;
}

bool UhidDevice::Create(const UhidIdentity& identity, std::string& error) {
    if (identity.descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        error = "UHID_CREATE2: report descriptor too long";
        return false;
    }
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    event.type = UHID_CREATE2;
    uhid_create2_req& create = event.u.create2;
    CopyText(create.name, identity.name);
    CopyText(create.phys, identity.phys);
    CopyText(create.uniq, identity.uniq);
    create.rd_size = static_cast<std::uint16_t>(identity.descriptor.size());
    create.bus = BUS_USB;
    create.vendor = identity.vendorId;
    create.product = identity.productId;
    create.version = identity.version;
    std::copy(identity.descriptor.begin(), identity.descriptor.end(), create.rd_data);
    if (!Write(event, error)) return false;
    created_ = true;
    return true;
}

bool UhidDevice::Serve(UhidResponder& responder, const std::atomic<bool>& stop, std::string& error,
                       int tickMs) {
    while (!stop.load()) {
        pollfd ready{fd_, POLLIN, 0};
        const int polled = ::poll(&ready, 1, tickMs);
        if (polled < 0 && errno == EINTR) continue;
        if (polled < 0) {
            error = hid::SystemError("poll /dev/uhid", errno);
            return false;
        }
        if (polled == 0) continue;
        uhid_event event;
        std::memset(&event, 0, sizeof event);
        const ssize_t got = ::read(fd_, &event, sizeof event);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            error =
                got < 0 ? hid::SystemError("read /dev/uhid", errno) : "read /dev/uhid: end of file";
            return false;
        }
        const std::optional<uhid_event> reply = responder.Answer(event);
        if (reply && !Write(*reply, error)) return false;
    }
    return true;
}

void UhidDevice::Destroy() {
    if (fd_ < 0) return;
    if (created_) {
        uhid_event event;
        std::memset(&event, 0, sizeof event);
        event.type = UHID_DESTROY;
        std::string ignored;
        Write(event, ignored);
        created_ = false;
    }
    ::close(fd_);
    fd_ = -1;
}

bool UhidDevice::Write(const uhid_event& event, std::string& error) {
    const ssize_t written = ::write(fd_, &event, sizeof event);
    if (written == static_cast<ssize_t>(sizeof event)) return true;
    error =
        written < 0 ? hid::SystemError("write /dev/uhid", errno) : "write /dev/uhid: short write";
    return false;
}

}  // namespace vorn::kbd
