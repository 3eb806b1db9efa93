// vornutil: the program on the system's keyboards.
#include "app/CVornUtilApp.h"
#include "hid/linux/LinuxDeviceMonitor.h"
#include "hid/linux/LinuxHidPlatform.h"

int main(int argc, char** argv) {
    vorn::app::CVornUtilApp app(argc, argv);
    vorn::hid::LinuxHidPlatform platform;
    // Listening before the first scan, so a keyboard plugged in during start-up is heard of.
    vorn::hid::LinuxDeviceMonitor monitor;
    app.InitInstance(platform, monitor);
    return 0;
}
