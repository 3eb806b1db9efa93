#include "hid/windows/WindowsDeviceMonitor.h"

#include <utility>

#include "hid/windows/WinError.h"
#include "hid/windows/WinGuid.h"

namespace vorn::hid {

namespace {

constexpr char kWindowClass[] = "VornDeviceMonitor";

}  // namespace

DeviceChange ClassifyDeviceChange(WPARAM event, const DEV_BROADCAST_HDR* header) {
    if (event == DBT_DEVICEREMOVECOMPLETE) return DeviceChange::kDeviceRemoved;
    if (event != DBT_DEVICEARRIVAL) return DeviceChange::kOther;
    if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        const auto* arrived = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
        if (IsEqualGUID(arrived->dbcc_classguid, ToGuid(kHidInterfaceClass))) {
            return DeviceChange::kHidInterfaceArrived;
        }
    }
    return DeviceChange::kOtherArrived;
}

WindowsDeviceMonitor::WindowsDeviceMonitor() {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return setUp_; });
}

WindowsDeviceMonitor::~WindowsDeviceMonitor() {
    Stop();
    if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    if (thread_.joinable()) thread_.join();
}

void WindowsDeviceMonitor::Run() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WindowsDeviceMonitor::WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassA(&windowClass);  // fails harmlessly when a second monitor registers again
    HWND window = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
    std::string error;
    int registered = 0;
    if (!window) {
        error = WinError("CreateWindowExA", ::GetLastError());
    } else {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // One registration per class, each kept until the window goes.
        for (const HidGuid& interfaceClass : kNotifiedClasses) {
            DEV_BROADCAST_DEVICEINTERFACE_A filter{};
            filter.dbcc_size = sizeof filter;
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            filter.dbcc_classguid = ToGuid(interfaceClass);
            if (::RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE)) {
                ++registered;
            } else if (error.empty()) {
                error = WinError("RegisterDeviceNotificationA", ::GetLastError());
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        window_ = window;
        registrations_ = registered;
        error_ = error;
        setUp_ = true;
    }
    ready_.notify_all();
    if (!window) return;
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
}

LRESULT CALLBACK WindowsDeviceMonitor::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    auto* monitor =
        reinterpret_cast<WindowsDeviceMonitor*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_DEVICECHANGE && monitor) {
        monitor->Deliver(
            ClassifyDeviceChange(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)));
        return TRUE;
    }
    if (message == WM_CLOSE) {
        ::DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void WindowsDeviceMonitor::Deliver(DeviceChange change) {
    std::lock_guard delivering(delivery_);
    ChangeCallback callback;
    {
        std::lock_guard lock(mutex_);
        if (!onChanges_) {
            held_.push_back(change);
            return;
        }
        callback = onChanges_;
    }
    callback({change});
}

// The held batch goes to the callback on the starting thread, before Start returns; the
// monitor's thread waits for it before it delivers anything newer.
void WindowsDeviceMonitor::Start(ChangeCallback onChanges) {
    std::lock_guard delivering(delivery_);
    std::vector<DeviceChange> held;
    ChangeCallback callback;
    {
        std::lock_guard lock(mutex_);
        if (onChanges_ || !onChanges || !window_) return;
        onChanges_ = std::move(onChanges);
        held = std::exchange(held_, {});
        callback = onChanges_;
    }
    if (!held.empty()) callback(std::move(held));
}

void WindowsDeviceMonitor::Stop() {
    std::lock_guard delivering(delivery_);  // waits for a callback that is running
    std::lock_guard lock(mutex_);
    onChanges_ = nullptr;
}

bool WindowsDeviceMonitor::Listening() const {
    std::lock_guard lock(mutex_);
    return window_ != nullptr && registrations_ > 0;
}

std::string WindowsDeviceMonitor::Error() const {
    std::lock_guard lock(mutex_);
    if (window_ && registrations_ > 0) return {};
    return error_.empty() ? std::string("no device-change registration") : error_;
}

}  // namespace vorn::hid
