#include "app/CVornUtilApp.h"

#include "app/CVornUtilDlg.h"
#include "res/VornResources.h"
#include "skin/SkinLook.h"

namespace vorn::app {

CVornUtilApp::CVornUtilApp(int& argc, char** argv) : QApplication(argc, argv) {
    setWindowIcon(res::AppIcon());
    // The desktop entry's name, so that a Wayland desktop shows the window with its entry.
    setDesktopFileName(QStringLiteral("io.github.vornutil.VornUtil"));
    setApplicationDisplayName(QStringLiteral("VornUtil"));
    skin::ApplySkinLook(*this);
}

bool CVornUtilApp::InitInstance(hid::HidPlatform& platform, hid::DeviceMonitor& monitor) {
    // Where settings would go; the program has none and never reads or writes any.
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    {
        CVornUtilDlg dialog(platform, monitor);
        dialog.exec();
    }
    return false;
}

}  // namespace vorn::app
