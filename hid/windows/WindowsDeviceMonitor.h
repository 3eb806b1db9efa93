// Device changes on Windows: RegisterDeviceNotificationA for the five device-interface
// classes below, on a message-only window of the monitor's own, served by a thread of its
// own. The arrival of a HID-class interface is a HID interface arrival, any removal
// complete is a removal, the arrival of another class is kOtherArrived.
//
// Listening starts in the constructor (the thread, the window and the registrations);
// what arrives before Start is held and is Start's first batch, delivered on the thread that
// starts. Each later WM_DEVICECHANGE is one batch, handed to the callback on the monitor's thread.
#pragma once

#include <windows.h>
// after windows.h
#include <dbt.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"

namespace vorn::hid {

// The classes registered for, in this order; the second is the HID interface class.
inline constexpr HidGuid kNotifiedClasses[] = {
    {0xC0CF064C, 0x6563, 0x11D2, {0xB6, 0x77, 0x00, 0xC0, 0xDF, 0xE4, 0xC1, 0xF3}},
    kHidInterfaceClass,
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}},
};

// One WM_DEVICECHANGE by its event code and the broadcast header it points to (or null).
DeviceChange ClassifyDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* header);

class WindowsDeviceMonitor : public DeviceMonitor {
  public:
    WindowsDeviceMonitor();
    ~WindowsDeviceMonitor() override;
    WindowsDeviceMonitor(const WindowsDeviceMonitor&) = delete;
    WindowsDeviceMonitor& operator=(const WindowsDeviceMonitor&) = delete;

    void Start(ChangeCallback onChanges) override;
    void Stop() override;
    bool Listening() const override;
    std::string Error() const override;

    // The window the notifications come to (null when it could not be made).
    HWND Window() const { return window_; }
    // How many of the five registrations succeeded.
    int Registrations() const { return registrations_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Deliver(DeviceChange change);

    std::thread thread_;
    HWND window_ = nullptr;
    int registrations_ = 0;

    mutable std::mutex mutex_;  // the setup result, the callback and the held changes
    std::condition_variable ready_;
    bool setUp_ = false;
    std::string error_;
    ChangeCallback onChanges_;
    std::vector<DeviceChange> held_;
    std::mutex delivery_;  // held while a callback runs, so that Stop can wait for it
};

}  // namespace vorn::hid
