// The HID platform seam on Linux: hidraw nodes found through libudev, the checks of the
// discovery walk answered from sysfs, feature reports through the hidraw ioctls.
//
// Interfaces follow the Windows notion: one HID interface per top-level collection. A
// hidraw node whose report descriptor has one top-level collection is one interface with
// the path "/dev/hidrawN"; a node with several is one interface per collection, with the
// paths "/dev/hidrawN&col01", "/dev/hidrawN&col02", ... Every collection of a node shares
// its device for feature reports. Interfaces are ordered by N, then by collection.
//
// Opening for OpenPurpose::kQuery touches only sysfs, so a keyboard the user may not open
// is still listed; OpenPurpose::kTransfer opens /dev/hidrawN read-write and fails when that
// is refused.
//
// Every failure leaves the failing call and its reason for LastError: a call on an open
// handle with that handle, until the handle's next call succeeds or it is closed; a failed
// scan (OpenInterfaceSet) or Open with the calling thread, until that thread's next scan
// or Open succeeds. Each platform object keeps its own reasons.
//
// Feature reports: byte 0 of the buffer is the report ID, passed to HIDIOCSFEATURE and
// HIDIOCGFEATURE as it is; the kernel counts it in the length in both directions.
#pragma once

#include <memory>
#include <string>

#include "hid/HidPlatform.h"
#include "hid/linux/HidrawSource.h"

namespace vorn::hid {

class LinuxHidPlatform : public HidPlatform {
  public:
    // Finds the nodes with libudev.
    LinuxHidPlatform();
    explicit LinuxHidPlatform(std::unique_ptr<HidrawSource> source);
    ~LinuxHidPlatform() override;
    LinuxHidPlatform(const LinuxHidPlatform&) = delete;
    LinuxHidPlatform& operator=(const LinuxHidPlatform&) = delete;

    HidCall GetHidGuid(HidGuid& guid) override;
    HidCall OpenInterfaceSet(const HidGuid& interfaceClass, InterfaceSet& set) override;
    HidCall EnumInterface(InterfaceSet set, int index) override;
    HidCall GetInterfacePath(InterfaceSet set, int index, std::string& path) override;
    HidCall CloseInterfaceSet(InterfaceSet set) override;

    HidHandle Open(const std::string& path, OpenPurpose purpose) override;
    HidCall GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    HidCall GetCaps(HidHandle handle, HidCaps& caps) override;
    HidCall SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) override;
    HidCall GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) override;
    void Close(HidHandle handle) override;

    // The last failure, e.g. "open /dev/hidraw3: Permission denied"; "handle not open"
    // for a handle that is not.
    std::string LastError(HidHandle handle) const override;
    OpenFailure LastOpenFailure() const override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::hid
