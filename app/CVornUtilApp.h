// The application object: Qt's application with the program's one window. The program
// (and the demo) make it first, then the platform the window talks to, then call
// InitInstance, which runs the main window modally until it ends.
#pragma once

#include <QApplication>

#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"

namespace vorn::app {

class CVornUtilApp : public QApplication {
    Q_OBJECT
  public:
    CVornUtilApp(int& argc, char** argv);

    // Runs the main window against `platform` and `monitor` until Enter, Escape or close
    // end it. Returns false: there is nothing to run after the window.
    bool InitInstance(hid::HidPlatform& platform, hid::DeviceMonitor& monitor);
};

}  // namespace vorn::app
