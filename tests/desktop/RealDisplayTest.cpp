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
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>

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

// Keeps a picture of the screen (or, where clients cannot read the screen, of each window)
// under $VORN_SHOT_DIR. Qt reads the screen itself: an outside grabber would wait for the
// pointer grab of an open popup and hang.
void Shot(const QString& name) {
    const QString dir = qEnvironmentVariable("VORN_SHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    const QString stem = dir + "/" + qEnvironmentVariable("VORN_DESKTOP", "plain") + "-" + name;
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap whole = screen != nullptr ? screen->grabWindow(0) : QPixmap();
    if (!whole.isNull()) {
        whole.save(stem + ".png");
        return;
    }
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible()) top->grab().save(stem + "-" + QString::number(n++) + ".png");
}

// Closes every modal dialog and popup, innermost first, so that nothing a failed check
// left open can hold the next test.
void CloseEverything() {
    for (int round = 0; round < 20; ++round) {
        QWidget* top = QApplication::activePopupWidget();
        if (top == nullptr) top = QApplication::activeModalWidget();
        if (top == nullptr) return;
        if (auto* dialog = qobject_cast<QDialog*>(top))
            dialog->reject();
        else
            top->close();
        QTest::qWait(30);
    }
}

// The dialogs a click will open, in order, each with what to do once it is on the screen.
// A click runs its modal dialogs inside itself, so the answers run from a poll that keeps
// going in their event loops. A dialog nobody expects, or one still up after
// kPatience ms, is pictured, failed and closed: a test never waits longer than that.
class ModalScript : public QObject {
  public:
    static constexpr int kPatience = 8000;

    template <typename T>
    void Then(std::function<void(T*)> answer) {
        steps_.push_back([answer](QWidget* w) {
            auto* typed = qobject_cast<T*>(w);
            if (typed == nullptr) return false;
            answer(typed);
            return true;
        });
    }
    // Runs `act` (the click) and answers the dialogs it opens; true when every step ran.
    bool Run(const std::function<void()>& act) {
        running_ = true;
        Poll();
        act();
        running_ = false;
        const bool complete = steps_.empty() && failure_.isEmpty();
        if (!failure_.isEmpty()) qWarning("%s", qPrintable(failure_));
        steps_.clear();
        return complete;
    }
    QString Failure() const { return failure_; }

  private:
    void Poll() {
        if (!running_) return;
        QTimer::singleShot(20, this, [this] { Poll(); });  // first: answers may run a loop
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal != current_) {
            current_ = modal;
            since_.start();
        }
        if (modal == nullptr || modal == answered_) {
            if (modal != nullptr && since_.elapsed() > kPatience) GiveUp(modal, "still up");
            return;
        }
        const bool ready = modal->windowHandle() != nullptr && modal->windowHandle()->isExposed();
        if (!ready || since_.elapsed() < 150) {
            if (since_.elapsed() > kPatience) GiveUp(modal, "never shown");
            return;
        }
        answered_ = modal;
        // Taken off before it runs: an answer may open the next dialog inside itself.
        std::function<bool(QWidget*)> step;
        if (!steps_.empty()) {
            step = std::move(steps_.front());
            steps_.pop_front();
        }
        if (!step || !step(modal)) {
            GiveUp(modal, "not expected");
            return;
        }
        if (QTest::currentTestFailed()) CloseEverything();
    }
    void GiveUp(QWidget* modal, const char* why) {
        if (failure_.isEmpty())
            failure_ = QStringLiteral("%1 \"%2\" %3")
                           .arg(modal->metaObject()->className(), modal->windowTitle(),
                                QLatin1String(why));
        Shot(QStringLiteral("%1-modal").arg(QLatin1String(QTest::currentTestFunction())));
        CloseEverything();
    }

    std::deque<std::function<bool(QWidget*)>> steps_;
    bool running_ = false;
    QPointer<QWidget> current_;
    QPointer<QWidget> answered_;
    QElapsedTimer since_;
    QString failure_;
};

}  // namespace

class RealDisplayTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void windowMapsWithItsMask();
    void saveDialogTakesANewNameAndAsksBeforeReplacing();
    void openDialogOpensAndCancelEndsSilently();
    void popupsAndBoxesSitOnTheWindowBeforeAndAfterADrag();

  private:
    void ChooseKeyboard();
    vorn::skin::CSkinButton* Button(const char* name) const;
    // Clicks skin button `name` and answers the dialogs it opens as `script` says.
    void Click(const char* name, ModalScript& script);
    // Types a file name into the file dialog and presses Return.
    static void Answer(QFileDialog* dialog, const QString& name);
    // The popup's and the message box's places against the window's, as on the screen.
    void CheckPlaces(const char* when);
    void Drag(QPoint by);
    // Starts the window manager named by $VORN_LATE_WM once the first window is up: a
    // manager that takes over a window already shown.
    void StartLateWindowManager();

    QTemporaryDir dir_;
    std::unique_ptr<vorn::sim::SimHidPlatform> platform_;
    std::unique_ptr<vorn::sim::SimDeviceMonitor> monitor_;
    std::unique_ptr<vorn::app::CVornUtilDlg> window_;
    QProcess lateWm_;
};

void RealDisplayTest::initTestCase() {
    vorn::skin::ApplySkinLook(*qApp);
    QVERIFY(dir_.isValid());
    QDir::setCurrent(dir_.path());
    qInfo("platform %s, desktop %s", qPrintable(QGuiApplication::platformName()),
          qPrintable(qEnvironmentVariable("VORN_DESKTOP", "plain")));
}

void RealDisplayTest::init() {
    // A failed init() is not followed by cleanup(): drop what the last one left, in the
    // order the pieces depend on each other, before making new ones.
    window_.reset();
    monitor_.reset();
    platform_.reset();
    platform_ = std::make_unique<vorn::sim::SimHidPlatform>();
    vorn::app::AttachDemoKeyboards(*platform_);
    monitor_ = std::make_unique<vorn::sim::SimDeviceMonitor>(*platform_);
    window_ = std::make_unique<vorn::app::CVornUtilDlg>(*platform_, *monitor_);
    window_->show();
    // A window manager that has just started can take a while to map the first window on
    // a busy machine.
    QVERIFY(QTest::qWaitForWindowExposed(window_.get(), 20000));
    StartLateWindowManager();
    QTest::qWait(300);  // let a window manager place and map it
}

void RealDisplayTest::StartLateWindowManager() {
    const QString wm = qEnvironmentVariable("VORN_LATE_WM");
    if (wm.isEmpty() || lateWm_.state() != QProcess::NotRunning || !OnX()) return;
    lateWm_.start(wm, {});
    QVERIFY(lateWm_.waitForStarted(3000));
    QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute("sh", {"-c",
                                                      "xprop -root _NET_SUPPORTING_WM_CHECK "
                                                      "| grep -q window"}) == 0,
                             5000);
}

void RealDisplayTest::cleanup() {
    if (QTest::currentTestFailed()) Shot(QString::fromLatin1(QTest::currentTestFunction()));
    CloseEverything();
    window_.reset();
    monitor_.reset();
    platform_.reset();
}

void RealDisplayTest::cleanupTestCase() {
    if (lateWm_.state() == QProcess::NotRunning) return;
    lateWm_.terminate();
    if (!lateWm_.waitForFinished(2000)) lateWm_.kill();
}

void RealDisplayTest::ChooseKeyboard() {
    auto* list = window_->findChild<QComboBox*>("keyboardList");
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* popup = list->view();
    QTRY_VERIFY(popup->isVisible() && popup->window()->windowHandle() != nullptr &&
                popup->window()->windowHandle()->isExposed());
    // The entry is taken with the keyboard: a click too soon after the popup opened is
    // taken by the list as the end of the click that opened it.
    QTest::keyClick(popup, Qt::Key_Home);
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_VERIFY(!popup->isVisible());
    QTRY_COMPARE(list->currentIndex(), 0);
}

vorn::skin::CSkinButton* RealDisplayTest::Button(const char* name) const {
    for (auto* button : window_->findChildren<vorn::skin::CSkinButton*>())
        if (button->Name() == QLatin1String(name)) return button;
    return nullptr;
}

void RealDisplayTest::Click(const char* name, ModalScript& script) {
    vorn::skin::CSkinButton* button = Button(name);
    QVERIFY2(button != nullptr, name);
    const bool complete = script.Run([button] { QTest::mouseClick(button, Qt::LeftButton); });
    QVERIFY2(complete, qPrintable(QStringLiteral("%1: %2").arg(
                           QLatin1String(name), script.Failure().isEmpty()
                                                    ? QStringLiteral("a dialog did not come")
                                                    : script.Failure())));
}

void RealDisplayTest::Answer(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::qWait(100);
    // The name's completion list may be open over the dialog; it would take the Return.
    if (QWidget* completion = QApplication::activePopupWidget()) {
        QTest::keyClick(completion, Qt::Key_Escape);
        QTest::qWait(50);
    }
    QTest::keyClick(edit, Qt::Key_Return);
}

void RealDisplayTest::windowMapsWithItsMask() {
    QVERIFY(window_->isVisible());
    QVERIFY(!window_->mask().isEmpty());
    QCOMPARE(window_->size(), QSize(900, 600));
}

void RealDisplayTest::saveDialogTakesANewNameAndAsksBeforeReplacing() {
    ChooseKeyboard();
    if (QTest::currentTestFailed()) return;
    const QString path = dir_.filePath("new-keys.dat");
    ModalScript upload;
    upload.Then<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        Answer(dialog, path);
    });
    upload.Then<QMessageBox>([](QMessageBox* box) {
        QCOMPARE(box->text(), QStringLiteral("Upload successfully."));
        QCOMPARE(box->icon(), QMessageBox::Information);
        QTest::keyClick(box, Qt::Key_Return);
    });
    Click("KeymapUpload", upload);
    QVERIFY(QFile::exists(path));

    // The same name again: the dialog asks before replacing, and No keeps the dialog up.
    ModalScript again;
    again.Then<QFileDialog>([&](QFileDialog* dialog) { Answer(dialog, path); });
    again.Then<QMessageBox>([](QMessageBox* ask) {
        QVERIFY2(ask->text().contains("new-keys.dat"), qPrintable(ask->text()));
        ask->button(QMessageBox::No)->click();
    });
    again.Then<QFileDialog>([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    Click("KeymapUpload", again);
}

void RealDisplayTest::openDialogOpensAndCancelEndsSilently() {
    ChooseKeyboard();
    if (QTest::currentTestFailed()) return;
    const QString path = dir_.filePath("keys.dat");
    ModalScript upload;
    upload.Then<QFileDialog>([&](QFileDialog* dialog) { Answer(dialog, path); });
    upload.Then<QMessageBox>([](QMessageBox* box) { box->accept(); });
    Click("KeymapUpload", upload);

    ModalScript download;
    download.Then<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QVERIFY(dialog->nameFilters().contains("All Files {*.*} (*)"));
        Answer(dialog, path);
    });
    download.Then<QMessageBox>([](QMessageBox* box) {
        QCOMPARE(box->text(), QStringLiteral("Download successfully."));
        box->accept();
    });
    Click("KeymapDownload", download);

    // Cancel: the dialog goes and nothing else comes (a box would be "not expected").
    ModalScript cancel;
    cancel.Then<QFileDialog>([](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    Click("KeymapDownload", cancel);
    QTest::qWait(300);
    QVERIFY2(QApplication::activeModalWidget() == nullptr, "a cancel shows nothing");
}

void RealDisplayTest::CheckPlaces(const char* when) {
    auto* list = window_->findChild<QComboBox*>("keyboardList");
    const std::optional<QPoint> windowAt = ScreenPos(*window_);
    // The popup: its top-left at the list's bottom-left or top-left (Qt puts it over or
    // under), on the screen.
    QTest::mouseClick(list, Qt::LeftButton);
    QWidget* popup = list->view()->window();
    QTRY_VERIFY(popup->isVisible());
    QTest::qWait(200);
    if (windowAt) {
        const std::optional<QPoint> popupAt = ScreenPos(*popup);
        QVERIFY(popupAt);
        const QPoint listAt = *windowAt + list->mapTo(window_.get(), QPoint(0, 0));
        const int dx = popupAt->x() - listAt.x();
        const int dy = popupAt->y() - listAt.y();
        if (!(std::abs(dx) <= 4 && dy >= -popup->height() - 4 && dy <= list->height() + 4))
            Shot(QStringLiteral("popup-%1").arg(QLatin1String(when)).replace(' ', '-'));
        QVERIFY2(std::abs(dx) <= 4 && dy >= -popup->height() - 4 && dy <= list->height() + 4,
                 qPrintable(QStringLiteral("%1: popup at %2,%3, list at %4,%5")
                                .arg(QLatin1String(when))
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
    QTest::keyClick(list->view(), Qt::Key_Escape);
    QTRY_VERIFY(!popup->isVisible());

    // A message box (nothing is chosen: "Please select a model first.") centred on the window.
    ModalScript script;
    script.Then<QMessageBox>([&](QMessageBox* box) {
        const std::optional<QPoint> boxAt = ScreenPos(*box);
        if (windowAt && boxAt) {
            const QPoint boxCentre = *boxAt + QPoint(box->width() / 2, box->height() / 2);
            const QPoint windowCentre =
                *windowAt + QPoint(window_->width() / 2, window_->height() / 2);
            const QPoint off = boxCentre - windowCentre;
            if (off.manhattanLength() > 60)
                Shot(QStringLiteral("box-%1").arg(QLatin1String(when)).replace(' ', '-'));
            QVERIFY2(off.manhattanLength() <= 60,
                     qPrintable(QStringLiteral("%1: box centre %2,%3, window centre %4,%5")
                                    .arg(QLatin1String(when))
                                    .arg(boxCentre.x())
                                    .arg(boxCentre.y())
                                    .arg(windowCentre.x())
                                    .arg(windowCentre.y())));
        }
        box->accept();
    });
    Click("KeymapUpload", script);
}

void RealDisplayTest::Drag(QPoint by) {
    // On the face, clear of every control and button: the title's area.
    const QPoint grip(600, 150);
    if (OnX()) {
        const std::optional<QPoint> screenBefore = ScreenPos(*window_);
        QVERIFY(screenBefore);
        const QPoint from = *screenBefore + grip;
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
        xdo({"mouseup", "1"});
        QTest::qWait(400);
        const std::optional<QPoint> screenAfter = ScreenPos(*window_);
        QVERIFY(screenAfter);
        QVERIFY2(
            (*screenAfter - *screenBefore - by).manhattanLength() <= 8,
            qPrintable(QStringLiteral("the face drags the window by %1,%2: from %3,%4 to %5,%6")
                           .arg(by.x())
                           .arg(by.y())
                           .arg(screenBefore->x())
                           .arg(screenBefore->y())
                           .arg(screenAfter->x())
                           .arg(screenAfter->y())));
    } else {
        // Wayland: the compositor moves the window (startSystemMove); where it went is not
        // visible to clients, so only that the drag starts and ends without trouble is checked.
        QTest::mousePress(window_.get(), Qt::LeftButton, {}, grip);
        QTest::mouseMove(window_.get(), grip + by);
        QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, grip + by);
        QTest::qWait(200);
        QVERIFY(window_->isVisible());
    }
}

void RealDisplayTest::popupsAndBoxesSitOnTheWindowBeforeAndAfterADrag() {
    CheckPlaces("first");
    if (QTest::currentTestFailed()) return;
    Drag(QPoint(70, 40));
    if (QTest::currentTestFailed()) return;
    CheckPlaces("after a drag");
}

QTEST_MAIN(RealDisplayTest)
#include "RealDisplayTest.moc"
