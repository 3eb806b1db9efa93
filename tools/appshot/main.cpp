// appshot: pictures of the program for people who cannot run it here. Runs the main
// window on the demo's simulated keyboards, in the English and the Chinese variant, and
// writes PNG files of the window with a keyboard selected, during a script download, and
// of the About box. On a real display (an X server, with or without a window manager) it
// also pictures the screen around the window: with the keyboard list's popup open, with the
// About box over it, and with a message box that has a detail ("desk-..." files).
//
//   appshot OUTPUT-FOLDER        (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <semaphore>

#include "app/CAboutDlg.h"
#include "app/CVornUtilDlg.h"
#include "app/DemoKeyboards.h"
#include "app/QtUserSeam.h"
#include "res/VornResources.h"
#include "sim/SimDeviceMonitor.h"
#include "sim/SimHidPlatform.h"
#include "skin/LanguageId.h"
#include "skin/SkinLook.h"
#include "state/Notices.h"

namespace {

// Answers the one file dialog with a script and holds the download's closing message
// until released, so that the window can be pictured while the download runs.
class HoldingUser : public vorn::state::UserSeam {
  public:
    explicit HoldingUser(std::string script) : script_(std::move(script)) {}
    void Tell(const vorn::state::UserMessage&) override { release_.acquire(); }
    bool AskYesNo(const vorn::state::UserMessage&) override { return false; }
    std::optional<std::string> AskOpenFile(const vorn::state::FileDialogRequest&) override {
        return script_;
    }
    std::optional<std::string> AskSaveFile(const vorn::state::FileDialogRequest&) override {
        return std::nullopt;
    }
    void Release() { release_.release(); }

  private:
    std::string script_;
    std::binary_semaphore release_{0};
};

struct Variant {
    const char* suffix;
    QLocale locale;
};

void Settle(int ms = 50) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    QThread::msleep(static_cast<unsigned long>(ms));
    QCoreApplication::processEvents();
}

// The window as it looks on a desktop: outside its outline is transparent.
QImage Picture(QWidget& window) {
    const QImage grabbed = window.grab().toImage();
    if (window.mask().isEmpty()) return grabbed;
    QImage shaped(grabbed.size(), QImage::Format_ARGB32);
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    painter.setClipRegion(window.mask());
    painter.drawImage(0, 0, grabbed);
    return shaped;
}

bool Save(QWidget& window, const QString& folder, const QString& name) {
    const QString path = folder + "/" + name;
    const bool saved = Picture(window).save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

void Choose(QComboBox& list, int index) {
    list.setCurrentIndex(index);
    Q_EMIT list.activated(index);
}

std::string WriteLongScript(const QString& folder) {
    const std::string path = (folder + "/long.vs").toStdString();
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 200; ++i) out << "R1=R1+1\r\n";
    out << "END\r\n";
    return path;
}

bool ShootMainWindow(const Variant& variant, const QString& out, const std::string& script) {
    vorn::sim::SimHidPlatform platform;
    vorn::app::AttachDemoKeyboards(platform);
    vorn::sim::SimDeviceMonitor monitor(platform);
    HoldingUser user(script);
    vorn::app::CVornUtilDlg window(platform, monitor, &user);
    window.show();
    Settle();
    Choose(*window.findChild<QComboBox*>("keyboardList"), 1);
    Choose(*window.findChild<QComboBox*>("slotList"), 2);
    Settle();
    bool ok = Save(window, out, QStringLiteral("main-selected-%1.png").arg(variant.suffix));
    window.OnSkinButtonName(QStringLiteral("SCRIPTUpload"));
    // Half way through the programming, as the state counts it (the bar shows an empty
    // range as 0 of 1 until the compile has counted the instructions).
    auto halfWay = [&window] {
        const vorn::state::ProgressState progress = window.State().Progress();
        return progress.high > 0 && progress.position >= progress.high / 2;
    };
    while (!halfWay()) Settle(10);
    Settle();
    ok = Save(window, out, QStringLiteral("main-download-%1.png").arg(variant.suffix)) && ok;
    user.Release();
    while (window.ScriptDownloadRunning()) Settle(10);
    return ok;
}

bool ShootAboutBox(const Variant& variant, const QString& out) {
    HoldingUser user({});
    vorn::app::CAboutDlg box(user, vorn::skin::UserDefaultLanguageId());
    box.show();
    Settle();
    bool ok = Save(box, out, QStringLiteral("about-%1.png").arg(variant.suffix));
    box.OnHotKey(vorn::app::CAboutDlg::kArmHotKey);
    box.OnHotKey(vorn::app::CAboutDlg::kRevealHotKey);
    Settle();
    return Save(box, out, QStringLiteral("about-revealed-%1.png").arg(variant.suffix)) && ok;
}

bool OnRealDisplay() { return QGuiApplication::platformName() != QLatin1String("offscreen"); }

// The screen around `window` as the window system shows it, popups and boxes included.
bool SaveScreen(QWidget& window, const QString& folder, const QString& name) {
    Settle(300);
    QScreen* screen = window.screen();
    const QRect around = window.frameGeometry().adjusted(-40, -40, 40, 40);
    const QPixmap shot = screen != nullptr ? screen->grabWindow(0, around.x(), around.y(),
                                                                around.width(), around.height())
                                           : QPixmap();
    const QString path = folder + "/" + name;
    const bool saved = !shot.isNull() && shot.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// While the next modal box is up, pictures the screen and closes the box.
void ShootNextModal(QWidget& window, const QString& folder, const QString& name, bool* ok) {
    QTimer::singleShot(600, &window, [&window, folder, name, ok] {
        *ok = SaveScreen(window, folder, name) && *ok;
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->reject();
    });
}

bool ShootDesk(const Variant& variant, const QString& out) {
    vorn::sim::SimHidPlatform platform;
    vorn::app::AttachDemoKeyboards(platform);
    vorn::sim::SimDeviceMonitor monitor(platform);
    vorn::app::CVornUtilDlg window(platform, monitor);
    vorn::app::QtUserSeam user(&window);
    window.show();
    Settle(500);
    auto* list = window.findChild<QComboBox*>("keyboardList");
    list->showPopup();
    bool ok = SaveScreen(window, out, QStringLiteral("desk-popup-%1.png").arg(variant.suffix));
    list->hidePopup();
    Settle();
    ShootNextModal(window, out, QStringLiteral("desk-about-%1.png").arg(variant.suffix), &ok);
    window.OnSkinButtonName(QStringLiteral("About"));
    ShootNextModal(window, out, QStringLiteral("desk-message-%1.png").arg(variant.suffix), &ok);
    user.Tell({"Fail to init.",
               vorn::state::InitFailureDetail("/dev/hidraw3", "Permission denied",
                                              vorn::hid::OpenFailure::kAccessDenied),
               vorn::state::MessageTone::kWarning});
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // As the program names itself, so that boxes without a title of their own say VornUtil.
    app.setApplicationDisplayName(QStringLiteral("VornUtil"));
    app.setWindowIcon(vorn::res::AppIcon());
    vorn::skin::ApplySkinLook(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: appshot OUTPUT-FOLDER\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir desk;
    if (!QDir().mkpath(out) || !desk.isValid()) return 1;
    // The script download writes its intermediate file into the current folder.
    QDir::setCurrent(desk.path());
    const std::string script = WriteLongScript(desk.path());
    bool ok = true;
    for (const Variant& variant : {Variant{"en", QLocale(QLocale::English, QLocale::UnitedStates)},
                                   Variant{"zh", QLocale(QLocale::Chinese, QLocale::China)}}) {
        vorn::skin::SetUserDefaultLocaleOverride(variant.locale);
        ok = ShootMainWindow(variant, out, script) && ok;
        ok = ShootAboutBox(variant, out) && ok;
        if (OnRealDisplay()) ok = ShootDesk(variant, out) && ok;
    }
    return ok ? 0 : 1;
}
