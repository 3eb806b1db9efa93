// A HID platform that hosts simulated devices instead of the system's: enumeration in
// attach order, open by path, attributes and capabilities from each device's description, and
// feature reports passed to the device's SimKeyboard. Every device has a SimKeyboard
// behind it, also one of another vendor or usage (discovery never talks to those).
//
// Each seam operation can be made "not available" or made to fail for some calls, so
// every failure path of the link and of discovery can be driven. A detached device's
// open handles fail every transfer, like those of a keyboard pulled out.
//
// Every member may be called from any thread. The change listener is called on the
// thread that attaches or detaches, with no lock held.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/HidPlatform.h"
#include "sim/SimKeyboard.h"

namespace vorn::sim {

class SimHidPlatform : public hid::HidPlatform {
  public:
    // The seam's operations, for availability and failure injection and for counting.
    enum class Op {
        kGetHidGuid,
        kOpenInterfaceSet,
        kEnumInterface,
        kGetInterfacePath,
        kCloseInterfaceSet,
        kOpen,
        kGetAttributes,
        kGetCaps,
        kSetFeature,
        kGetFeature,
        kClose,
    };
    static constexpr std::size_t kOpCount = 11;

    struct DeviceDescription {
        std::string path{};
        std::uint16_t vendorId = 0, productId = 0, usage = 0x0080, usagePage = 0xFF00,
                      featureReportByteLength = 9;
        bool openable = true;  // false: Open fails for this path, whatever the purpose
        std::uint16_t versionNumber = 0x0100;
        std::uint16_t inputReportByteLength = 0;
        std::uint16_t outputReportByteLength = 0;
    };

    using ChangeListener = std::function<void(const std::string& path, bool arrived)>;

    SimHidPlatform();
    ~SimHidPlatform() override;

    // Adds a device after those present; its keyboard has R = featureReportByteLength.
    // The reference stays valid for the platform's lifetime, even after Detach.
    SimKeyboard& Attach(const DeviceDescription& desc);
    // Removes the device with this path (the first one attached, if several share it).
    void Detach(const std::string& path);
    // The keyboard of the attached device with this path, or null.
    SimKeyboard* Keyboard(const std::string& path);
    std::vector<std::string> Paths() const;
    void SetChangeListener(ChangeListener listener);

    // An unavailable operation answers kNotAvailable (Open: an invalid handle; Close:
    // nothing happens). A failing one answers kFailed for `count` calls after `after`
    // good ones (Open: an invalid handle; Close: the handle stays open).
    void SetAvailable(Op op, bool available);
    void FailCalls(Op op, int count, int after = 0);
    void ClearFaults();
    // What LastOpenFailure says of an Open failed by FailCalls or SetAvailable (default
    // kUnknown). Otherwise a path not attached is kGone and an unopenable one kAccessDenied.
    void SetInjectedOpenFailure(hid::OpenFailure failure);

    // Calls of each operation made so far, and transfers (set + get feature).
    std::uint64_t Calls(Op op) const;
    std::uint64_t Transfers() const;
    void ResetCounters();
    // Handles open now, and calls made with a handle that was not open (closed, never
    // opened, or closed twice): the latter is always a fault of the caller.
    int OpenHandles() const;
    std::uint64_t StaleHandleUses() const;

    hid::HidCall GetHidGuid(hid::HidGuid& guid) override;
    hid::HidCall OpenInterfaceSet(const hid::HidGuid& interfaceClass,
                                  hid::InterfaceSet& set) override;
    hid::HidCall EnumInterface(hid::InterfaceSet set, int index) override;
    hid::HidCall GetInterfacePath(hid::InterfaceSet set, int index, std::string& path) override;
    hid::HidCall CloseInterfaceSet(hid::InterfaceSet set) override;
    hid::HidHandle Open(const std::string& path, hid::OpenPurpose purpose) override;
    hid::HidCall GetAttributes(hid::HidHandle handle, hid::HidAttributes& attributes) override;
    hid::HidCall GetCaps(hid::HidHandle handle, hid::HidCaps& caps) override;
    hid::HidCall SetFeature(hid::HidHandle handle, const std::uint8_t* report,
                            std::size_t length) override;
    hid::HidCall GetFeature(hid::HidHandle handle, std::uint8_t* report,
                            std::size_t length) override;
    void Close(hid::HidHandle handle) override;
    hid::OpenFailure LastOpenFailure() const override;

  private:
    struct Device;
    struct OpFault {
        bool available = true;
        int after = 0;
        int count = 0;
    };

    hid::HidCall Enter(Op op);  // with mutex_ held: counts the call, applies its fault
    std::shared_ptr<Device> DeviceOf(hid::HidHandle handle);  // with mutex_ held
    void Notify(const std::string& path, bool arrived);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Device>> attached_;
    std::vector<std::shared_ptr<Device>> everAttached_;  // keeps every keyboard alive
    std::map<hid::HidHandle, std::shared_ptr<Device>> handles_;
    std::map<hid::InterfaceSet, std::vector<std::string>> sets_;
    hid::HidHandle nextHandle_ = 100;
    hid::OpenFailure injectedOpenFailure_ = hid::OpenFailure::kUnknown;
    hid::OpenFailure lastOpenFailure_ = hid::OpenFailure::kUnknown;
    hid::InterfaceSet nextSet_ = 1;
    std::array<OpFault, kOpCount> faults_{};
    std::array<std::uint64_t, kOpCount> calls_{};
    std::uint64_t staleUses_ = 0;
    ChangeListener listener_;
};

}  // namespace vorn::sim
