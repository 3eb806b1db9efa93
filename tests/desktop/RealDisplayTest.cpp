// The window on a real display: a real X server with or without a window manager (xcb),
// or a Wayland compositor. Real input goes through QTest to the real windows; the file
// dialogs are Qt's own, answered by typing into them. Positions are checked on the screen
// as the window system reports them (xwininfo on X), before and after the face is dragged.
// A failing check leaves a screenshot in $VORN_SHOT_DIR.
//
// Run by tools/ci-desktop.sh; not part of the offscreen ctest run.
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/CVornUtilDlg.h"
#include "app/DemoKeyboards.h"
#include "sim/SimDeviceMonitor.h"
#include "sim/SimHidPlatform.h"
#include "skin/CSkinButton.h"
#include "skin/SkinLook.h"

namespace {

bool OnX() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Where the window system has put a window's top-left corner, in screen pixels.
std::optional<QPoint> ScreenPos(const QWidget& window) {
    if (!OnX()) return std::nullopt;
    QProcess info;
    info.start("xwininfo", {"-id", QString::number(window.winId())});
    if (!info.waitForFinished(5000)) return std::nullopt;
    const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
    const auto x = QRegularExpression("Absolute upper-left X:\\s+(-?\\d+)").match(out);
    const auto y = QRegularExpression("Absolute upper-left Y:\\s+(-?\\d+)").match(out);
    if (!x.hasMatch() || !y.hasMatch()) return std::nullopt;
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
}

void Shot(const QString& name) {
    const QString dir = qEnvironmentVariable("VORN_SHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    const QString path = dir + "/" + QGuiApplication::platformName() + "-" +
                         qEnvironmentVariable("VORN_DESKTOP", "plain") + "-" + name + ".png";
    if (OnX())
        QProcess::execute("import", {"-window", "root", path});
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(path);
}

template <typename T>
T* WaitForModal(int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) return w;
        QTest::qWait(20);
    }
    return nullptr;
}

}  // namespace

class RealDisplayTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void windowMapsWithItsMask();
    void saveDialogTakesANewNameAndAsksBeforeReplacing();
    void openDialogOpensAndCancelEndsSilently();
    void popupsAndBoxesSitOnTheWindowBeforeAndAfterADrag();

  private:
    void ChooseKeyboard();
    void ClickButton(const char* name);
    // Types a file name into the file dialog on top and presses Return.
    void Answer(QFileDialog* dialog, const QString& name);
    // The popup's and the message box's places against the window's, as on the screen.
    void CheckPlaces(const char* when);
    void Drag(QPoint by);

    QTemporaryDir dir_;
    std::unique_ptr<vorn::sim::SimHidPlatform> platform_;
    std::unique_ptr<vorn::sim::SimDeviceMonitor> monitor_;
    std::unique_ptr<vorn::app::CVornUtilDlg> window_;
};

void RealDisplayTest::initTestCase() {
    vorn::skin::ApplySkinLook(*qApp);
    QVERIFY(dir_.isValid());
    QDir::setCurrent(dir_.path());
    qInfo("platform %s, desktop %s", qPrintable(QGuiApplication::platformName()),
          qPrintable(qEnvironmentVariable("VORN_DESKTOP", "plain")));
}

void RealDisplayTest::init() {
    platform_ = std::make_unique<vorn::sim::SimHidPlatform>();
    vorn::app::AttachDemoKeyboards(*platform_);
    monitor_ = std::make_unique<vorn::sim::SimDeviceMonitor>(*platform_);
    window_ = std::make_unique<vorn::app::CVornUtilDlg>(*platform_, *monitor_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QTest::qWait(300);  // let a window manager place and map it
}

void RealDisplayTest::cleanup() {
    if (QTest::currentTestFailed()) Shot(QString::fromLatin1(QTest::currentTestFunction()));
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        QTest::qWait(50);
    }
    window_.reset();
    monitor_.reset();
    platform_.reset();
}

void RealDisplayTest::ChooseKeyboard() {
    auto* list = window_->findChild<QComboBox*>("keyboardList");
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* popup = list->view();
    QTRY_VERIFY(popup->isVisible());
    QTest::qWait(100);
    const QRect entry = popup->visualRect(list->model()->index(0, 0));
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, entry.center());
    QTRY_VERIFY(!popup->isVisible());
    QTRY_COMPARE(list->currentIndex(), 0);
}

void RealDisplayTest::ClickButton(const char* name) {
    for (auto* button : window_->findChildren<vorn::skin::CSkinButton*>()) {
        if (button->Name() != QLatin1String(name)) continue;
        // The click runs its command, modal dialogs included, inside the release.
        QTimer::singleShot(0, [button] { QTest::mouseClick(button, Qt::LeftButton); });
        return;
    }
    QFAIL(name);
}

void RealDisplayTest::Answer(QFileDialog* dialog, const QString& name) {
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::qWait(100);
    QTest::keyClick(edit, Qt::Key_Return);
}

void RealDisplayTest::windowMapsWithItsMask() {
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->mask().isEmpty());
    QCOMPARE(window_->size(), QSize(900, 600));
}

void RealDisplayTest::saveDialogTakesANewNameAndAsksBeforeReplacing() {
    ChooseKeyboard();
    ClickButton("KeymapUpload");
    auto* dialog = WaitForModal<QFileDialog>();
    QVERIFY2(dialog, "no save dialog");
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    Answer(dialog, dir_.filePath("new-keys.dat"));
    auto* box = WaitForModal<QMessageBox>();
    QVERIFY2(box, "the save dialog did not take a new name");
    QCOMPARE(box->text(), QStringLiteral("Upload successfully."));
    QCOMPARE(box->icon(), QMessageBox::Information);
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(QFile::exists(dir_.filePath("new-keys.dat")));

    // The same name again: the dialog asks before replacing, and No keeps the dialog up.
    ClickButton("KeymapUpload");
    dialog = WaitForModal<QFileDialog>();
    Answer(dialog, dir_.filePath("new-keys.dat"));
    QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr);
    auto* ask = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY2(ask->text().contains("new-keys.dat"), qPrintable(ask->text()));
    ask->button(QMessageBox::No)->click();
    QTRY_COMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(dialog));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

void RealDisplayTest::openDialogOpensAndCancelEndsSilently() {
    ChooseKeyboard();
    ClickButton("KeymapUpload");
    Answer(WaitForModal<QFileDialog>(), dir_.filePath("keys.dat"));
    auto* box = WaitForModal<QMessageBox>();
    QVERIFY(box);
    box->accept();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

    ClickButton("KeymapDownload");
    auto* dialog = WaitForModal<QFileDialog>();
    QVERIFY(dialog);
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QVERIFY(dialog->nameFilters().contains("All Files {*.*} (*)"));
    Answer(dialog, dir_.filePath("keys.dat"));
    box = WaitForModal<QMessageBox>();
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("Download successfully."));
    box->accept();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

    ClickButton("KeymapDownload");
    dialog = WaitForModal<QFileDialog>();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QTest::qWait(300);
    QVERIFY2(QApplication::activeModalWidget() == nullptr, "a cancel shows nothing");
}

void RealDisplayTest::CheckPlaces(const char* when) {
    auto* list = window_->findChild<QComboBox*>("keyboardList");
    const std::optional<QPoint> windowAt = ScreenPos(*window_);
    // The popup: its top-left at the list's bottom-left or top-left (Qt puts it over or
    // under), on the screen.
    list->showPopup();
    QWidget* popup = list->view()->window();
    QTRY_VERIFY(popup->isVisible());
    QTest::qWait(200);
    if (windowAt) {
        const std::optional<QPoint> popupAt = ScreenPos(*popup);
        QVERIFY(popupAt);
        const QPoint listAt = *windowAt + list->mapTo(window_.get(), QPoint(0, 0));
        const int dx = popupAt->x() - listAt.x();
        const int dy = popupAt->y() - listAt.y();
        QVERIFY2(std::abs(dx) <= 4 && dy >= -popup->height() - 4 && dy <= list->height() + 4,
                 qPrintable(QStringLiteral("%1: popup at %2,%3, list at %4,%5")
                                .arg(when)
                                .arg(popupAt->x())
                                .arg(popupAt->y())
                                .arg(listAt.x())
                                .arg(listAt.y())));
    } else {
        // Wayland: popups are placed by the compositor relative to their parent; Qt's
        // own idea of the place must still be at the list.
        const QPoint listAt = list->mapToGlobal(QPoint(0, 0));
        QVERIFY(std::abs(popup->geometry().x() - listAt.x()) <= 4);
    }
    list->hidePopup();
    QTRY_VERIFY(!popup->isVisible());

    // A message box (nothing is chosen: "Please select a model first.") centred on the window.
    ClickButton("KeymapUpload");
    auto* box = WaitForModal<QMessageBox>();
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QTest::qWait(300);
    if (windowAt) {
        const std::optional<QPoint> boxAt = ScreenPos(*box);
        QVERIFY(boxAt);
        const QPoint boxCentre = *boxAt + QPoint(box->width() / 2, box->height() / 2);
        const QPoint windowCentre = *windowAt + QPoint(window_->width() / 2, window_->height() / 2);
        const QPoint off = boxCentre - windowCentre;
        QVERIFY2(off.manhattanLength() <= 60,
                 qPrintable(QStringLiteral("%1: box centre %2,%3, window centre %4,%5")
                                .arg(when)
                                .arg(boxCentre.x())
                                .arg(boxCentre.y())
                                .arg(windowCentre.x())
                                .arg(windowCentre.y())));
    }
    box->accept();
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
}

void RealDisplayTest::Drag(QPoint by) {
    // On the face, clear of every control and button: the title's area.
    const QPoint grip(600, 150);
    const QPoint before = window_->pos();
    const std::optional<QPoint> screenBefore = ScreenPos(*window_);
    if (OnX()) {
        const QPoint from = (screenBefore ? *screenBefore : window_->pos()) + grip;
        const QPoint to = from + by;
        auto xdo = [](const QStringList& args) { QProcess::execute("xdotool", args); };
        xdo({"mousemove", QString::number(from.x()), QString::number(from.y())});
        QTest::qWait(100);
        xdo({"mousedown", "1"});
        QTest::qWait(100);
        for (int step = 1; step <= 5; ++step) {
            const QPoint at = from + by * step / 5;
            xdo({"mousemove", QString::number(at.x()), QString::number(at.y())});
            QTest::qWait(60);
        }
        Q_UNUSED(to);
        xdo({"mouseup", "1"});
        QTest::qWait(400);
        const std::optional<QPoint> screenAfter = ScreenPos(*window_);
        QVERIFY(screenBefore && screenAfter);
        QVERIFY2(std::abs((*screenAfter - *screenBefore - by).manhattanLength()) <= 8,
                 "the face drags the window by the distance the pointer moved");
    } else {
        // Wayland: the compositor moves the window (startSystemMove); positions are not
        // visible to clients, so only that the drag starts without trouble is checked.
        QTest::mousePress(window_.get(), Qt::LeftButton, {}, grip);
        QTest::mouseMove(window_.get(), grip + by);
        QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, grip + by);
        QTest::qWait(200);
        Q_UNUSED(before);
    }
}

void RealDisplayTest::popupsAndBoxesSitOnTheWindowBeforeAndAfterADrag() {
    CheckPlaces("first");
    Drag(QPoint(70, 40));
    CheckPlaces("after a drag");
}

QTEST_MAIN(RealDisplayTest)
#include "RealDisplayTest.moc"
