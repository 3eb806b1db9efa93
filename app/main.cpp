// vornutil: the program on the system's keyboards.
#include <cstdio>

#include "app/CVornUtilApp.h"
#include "app/OwnVersion.h"
#include "hid/SystemPlatform.h"

int main(int argc, char** argv) {
    // Answered before the window exists, so that it works without a display.
    if (vorn::app::AsksForVersion(argc, argv)) {
        std::fputs(vorn::app::VersionLine("vornutil").c_str(), stdout);
        return 0;
    }
    vorn::app::CVornUtilApp app(argc, argv);
    // Listening before the first scan, so a keyboard plugged in during start-up is heard of.
    const auto monitor = vorn::hid::MakeSystemDeviceMonitor();
    const auto platform = vorn::hid::MakeSystemHidPlatform();
    app.InitInstance(*platform, *monitor);
    return 0;
}
