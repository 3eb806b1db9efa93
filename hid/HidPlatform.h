// The HID platform seam: the handful of operations the keyboard link and discovery need
// from the operating system's HID class and device-setup services. Backends: Linux
// (hid/linux/), Windows (hid/windows/), the simulated keyboards (sim/).
//
// Byte contract for feature reports: byte 0 of every report buffer holds the report ID
// (the link always uses report ID 1); the rest is the report's payload. SetFeature sends
// exactly `length` bytes, GetFeature asks for `length` bytes and fills the buffer in place.
//
// Every operation can answer kNotAvailable. That stands for a library or an entry point
// that could not be found; the caller then fails quietly, as the link and discovery
// describe for each call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorn::hid {

using HidHandle = std::intptr_t;
inline constexpr HidHandle kInvalidHandle = -1;

using InterfaceSet = std::intptr_t;
inline constexpr InterfaceSet kInvalidSet = -1;

// kEnd answers EnumInterface only: the snapshot has no interface at this index nor past it.
enum class HidCall { kOk, kFailed, kNotAvailable, kEnd };

struct HidGuid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
    friend bool operator==(const HidGuid&, const HidGuid&) = default;
};

// The HID device-interface class, 4D1E55B2-F16F-11CF-88CB-001111000030.
inline constexpr HidGuid kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// What the HID library reports for the top-level collection. Report lengths count the
// report ID byte, also for a device that uses no report IDs.
struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
};

// What stood in the way of a failed Open, as far as the backend can tell: the person may
// not open the device, or the device is no longer there.
enum class OpenFailure { kUnknown, kAccessDenied, kGone };

// Why a device is opened. Discovery only queries attributes and capabilities, which a
// backend may answer without access to the device node; a transfer needs the node itself.
enum class OpenPurpose { kQuery, kTransfer };

class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // The HID interface class identifier.
    virtual HidCall GetHidGuid(HidGuid& guid) = 0;
    // A snapshot of the present interfaces of a class, walked by index below.
    virtual HidCall OpenInterfaceSet(const HidGuid& interfaceClass, InterfaceSet& set) = 0;
    // kOk when the snapshot has an interface at this index, kEnd when the snapshot ends
    // before it, kFailed when the interface at this index cannot be had.
    virtual HidCall EnumInterface(InterfaceSet set, int index) = 0;
    // The device path of the interface at this index.
    virtual HidCall GetInterfacePath(InterfaceSet set, int index, std::string& path) = 0;
    virtual HidCall CloseInterfaceSet(InterfaceSet set) = 0;

    // Opens a device path for reading and writing; kInvalidHandle on failure.
    virtual HidHandle Open(const std::string& path, OpenPurpose purpose) = 0;
    virtual HidCall GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;
    virtual HidCall GetCaps(HidHandle handle, HidCaps& caps) = 0;
    virtual HidCall SetFeature(HidHandle handle, const std::uint8_t* report,
                               std::size_t length) = 0;
    virtual HidCall GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) = 0;
    virtual void Close(HidHandle handle) = 0;

    // Why a call failed, naming the system call and the system's reason (for instance
    // "open /dev/hidraw3: Permission denied"). For a handle, its last failed call; for
    // kInvalidHandle, the calling thread's last failed scan (OpenInterfaceSet) or Open.
    // Empty once a later call of the same kind (on that handle; a scan or an Open on that
    // thread) has succeeded, and from a backend that keeps no reasons.
    virtual std::string LastError(HidHandle handle) const {
        static_cast<void>(handle);
        return {};
    }

    // The kind of the calling thread's last failed Open; kUnknown once an Open on that
    // thread has succeeded, and from a backend that cannot tell.
    virtual OpenFailure LastOpenFailure() const { return OpenFailure::kUnknown; }
};

}  // namespace vorn::hid
