// One device created through /dev/uhid: made with UHID_CREATE2, served event by event
// until asked to stop, removed with UHID_DESTROY (also by the destructor). Every failure
// names the call and its reason.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/vornkbd/UhidResponder.h"

namespace vorn::kbd {

struct UhidIdentity {
    std::string name;  // HID_NAME of the device
    std::string phys;
    std::string uniq;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0x0100;
    std::vector<std::uint8_t> descriptor;
};

class UhidDevice {
  public:
    UhidDevice() = default;
    // Takes an open descriptor that speaks the uhid event protocol (tests pass a socket).
    explicit UhidDevice(int fd) : fd_(fd) {}
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    bool Open(const std::string& node, std::string& error);
    bool Create(const UhidIdentity& identity, std::string& error);
    // Answers events until `stop` is set (checked at least every `tick` ms); false when
    // reading or writing the node fails.
    bool Serve(UhidResponder& responder, const std::atomic<bool>& stop, std::string& error,
               int tickMs = 200);
    // Removes the device, if created, and closes the node.
    void Destroy();

  private:
    bool Write(const uhid_event& event, std::string& error);

    int fd_ = -1;
    bool created_ = false;
};

}  // namespace vorn::kbd
