// vornutil-demo: the program on two simulated keyboards, to try every action without one.
#include <QDir>
#include <cstdio>

#include "app/CVornUtilApp.h"
#include "app/DemoDesk.h"
#include "app/DemoKeyboards.h"
#include "app/OwnVersion.h"
#include "sim/SimDeviceMonitor.h"
#include "sim/SimHidPlatform.h"

int main(int argc, char** argv) {
    // Answered before the window exists, so that it works without a display.
    if (vorn::app::AsksForVersion(argc, argv)) {
        std::fputs(vorn::app::VersionLine("vornutil-demo").c_str(), stdout);
        return 0;
    }
    vorn::app::CVornUtilApp app(argc, argv);
    // The demo works in a folder of its own: the sample scripts are there for the file
    // dialog to show, and the script download's intermediate file goes there too. At the
    // end only the demo's own files go; what the person saved there stays.
    vorn::app::DemoDesk desk;
    if (desk.IsValid()) {
        desk.Own(vorn::app::WriteDemoScripts(desk.Path().toStdString()));
        QDir::setCurrent(desk.Path());
        std::printf(
            "Demo: an Orvane Pro and a Tessik Pro are plugged in (simulated).\n"
            "Sample scripts are in %s\n",
            qPrintable(QDir::toNativeSeparators(desk.Path())));
    }
    vorn::sim::SimHidPlatform platform;
    vorn::app::AttachDemoKeyboards(platform);
    vorn::sim::SimDeviceMonitor monitor(platform);
    app.InitInstance(platform, monitor);
    return 0;
}
