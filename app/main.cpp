// vornutil: the program on the system's keyboards.
#include "app/CVornUtilApp.h"
#include "hid/SystemPlatform.h"

int main(int argc, char** argv) {
    vorn::app::CVornUtilApp app(argc, argv);
    // Listening before the first scan, so a keyboard plugged in during start-up is heard of.
    const auto monitor = vorn::hid::MakeSystemDeviceMonitor();
    const auto platform = vorn::hid::MakeSystemHidPlatform();
    app.InitInstance(*platform, *monitor);
    return 0;
}
