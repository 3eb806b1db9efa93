// The HID platform seam on Windows: the HID class library "hid.dll" and the device-setup
// library "Setupapi.dll", bound by file name when the platform is made, every function
// looked up by name when it is used. A missing library or function answers kNotAvailable
// exactly where the walk and the link then fail quietly.
//
// Interfaces are those of SetupDiGetClassDevsA (present, device interfaces) in the order
// SetupDiEnumDeviceInterfaces gives them; ERROR_NO_MORE_ITEMS ends the snapshot. Both
// purposes of Open use CreateFileA with read and write access and shared reading and
// writing, as the keyboard link needs.
//
// Every failure keeps the failing call, the system's text and the Windows error code for
// LastError: a call on an open handle with that handle, until its next call succeeds or it
// is closed; a failed scan or Open with the calling thread, until its next one succeeds.
//
// A handle is a number of the platform's own. Close may come from another thread while a
// call runs on the handle: the system handle is then closed when that call returns.
#pragma once

#include <windows.h>
// after windows.h, whose types it uses
#include <setupapi.h>

#include <memory>
#include <string>

#include "hid/HidPlatform.h"

namespace vorn::hid {

// The size fields the setup functions check, for the bitness of this build (the 32-bit
// values are 28 and 5; a 64-bit build fails every call with those).
inline constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
inline constexpr DWORD kInterfaceDetailSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

class WindowsHidPlatform : public HidPlatform {
  public:
    // Loads "hid.dll" and "Setupapi.dll"; a library that does not load makes its calls
    // answer kNotAvailable.
    WindowsHidPlatform();
    // The same on libraries of other file names (for tests).
    WindowsHidPlatform(const char* hidLibrary, const char* setupApiLibrary);
    ~WindowsHidPlatform() override;
    WindowsHidPlatform(const WindowsHidPlatform&) = delete;
    WindowsHidPlatform& operator=(const WindowsHidPlatform&) = delete;

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

    // For instance "HidD_SetFeature: The device is not connected. (error 1167)".
    std::string LastError(HidHandle handle) const override;
    OpenFailure LastOpenFailure() const override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::hid
