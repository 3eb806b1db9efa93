// What a new user met in the window's first minutes, each kept from coming back: the demo's
// folder, the progress bar behind a failed compile, the About box's line heights, the
// message boxes' icons and detail, the keyboard list's placeholder, the skin's palette on
// boxes and popups, the window's title and the pressed look of a skin button.
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <fstream>

#include "app/CAboutDlg.h"
#include "app/DemoDesk.h"
#include "app/QtUserSeam.h"
#include "skin/SkinLook.h"
#include "state/Notices.h"
#include "tests/app/ProgramTestDesk.h"

using vorn::state::MessageTone;
using vorn::test::ProgramTestDesk;

namespace {

// A platform whose Open fails as a device node without the udev rule does.
class LockedNodes : public vorn::sim::SimHidPlatform {
  public:
    vorn::hid::HidHandle Open(const std::string& path, vorn::hid::OpenPurpose purpose) override {
        if (purpose == vorn::hid::OpenPurpose::kTransfer) return vorn::hid::kInvalidHandle;
        return SimHidPlatform::Open(path, purpose);
    }
    std::string LastError(vorn::hid::HidHandle) const override {
        return "open " + std::string(vorn::test::kOrvanePath) + ": Permission denied";
    }
    vorn::hid::OpenFailure LastOpenFailure() const override {
        return vorn::hid::OpenFailure::kAccessDenied;
    }
};

bool IsDark(const QColor& color) { return color.lightness() < 96; }

// A script that compiles and one that does not, in a folder that is also the current one
// (the script download writes temp.o there).
struct ScriptFolder {
    QTemporaryDir dir;
    std::string good = dir.filePath("good.vs").toStdString();
    std::string bad = dir.filePath("bad.vs").toStdString();
    ScriptFolder() {
        QDir::setCurrent(dir.path());
        std::ofstream(good, std::ios::binary) << "R1=1\r\nEND\r\n";
        std::ofstream(bad, std::ios::binary) << "JUMP SOMEWHERE\r\nEND\r\n";
    }
};

}  // namespace

class WindowFaultsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { vorn::skin::ApplySkinLook(*qApp); }
    void demoEndsWithoutDeletingWhatThePersonSaved();
    void progressBarIsEmptyBehindAFailedCompile();
    void slotFrameNamesTheSlotWhileAScriptMessageIsUp();
    void aboutBoxLinesFitTheirFont();
    void successInformsAndFailureWarns();
    void failToInitSaysWhyAndWhatToDo();
    void keyboardListSaysWhatToDoWhileNothingIsChosen();
    void boxesPopupsAndTooltipsWearTheSkin();
    void windowIsNamedAfterTheProgram();
    void pressedButtonShadesOnlyItsPlate();
};

void WindowFaultsTest::demoEndsWithoutDeletingWhatThePersonSaved() {
    QString folder;
    {
        vorn::app::DemoDesk desk;
        QVERIFY(desk.IsValid());
        folder = desk.Path();
        std::ofstream(folder.toStdString() + "/hello.vs") << "END\r\n";
        std::ofstream(folder.toStdString() + "/temp.o") << "FF\r\n";
        desk.Own({"hello.vs"});
        std::ofstream(folder.toStdString() + "/my-keys.dat") << "saved by the person";
    }
    QVERIFY(QFile::exists(folder + "/my-keys.dat"));
    QVERIFY(!QFile::exists(folder + "/hello.vs"));
    QVERIFY(!QFile::exists(folder + "/temp.o"));
    QDir(folder).removeRecursively();
    {
        vorn::app::DemoDesk desk;
        folder = desk.Path();
    }
    QVERIFY2(!QDir(folder).exists(), "an emptied demo folder goes");
}

void WindowFaultsTest::progressBarIsEmptyBehindAFailedCompile() {
    const ScriptFolder scripts;
    const std::string& good = scripts.good;
    const std::string& bad = scripts.bad;
    for (bool earlierDownload : {false, true}) {
        ProgramTestDesk desk;
        desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
        desk.Start();
        ProgramTestDesk::Choose(desk.KeyboardList(), 0);
        if (earlierDownload) {
            desk.User().AnswerFile(good);
            desk.Click("SCRIPTUpload");
            QTRY_VERIFY(!desk.Window().ScriptDownloadRunning());
        }
        QProgressBar* seen = nullptr;
        int value = -1, maximum = -1, minimum = -1;
        desk.User().SetMessageHook([&](const std::string&) {
            // Behind the compile's message, on the GUI thread's view of the state.
            QMetaObject::invokeMethod(
                &desk.ProgressBar(),
                [&] {
                    seen = &desk.ProgressBar();
                    value = seen->value();
                    minimum = seen->minimum();
                    maximum = seen->maximum();
                },
                Qt::BlockingQueuedConnection);
        });
        desk.User().AnswerFile(bad);
        desk.Click("SCRIPTUpload");
        QTRY_VERIFY(!desk.Window().ScriptDownloadRunning());
        QVERIFY(seen);
        QVERIFY2(maximum > minimum, "an empty range draws Qt's busy bar");
        QCOMPARE(value, minimum);
    }
}

void WindowFaultsTest::slotFrameNamesTheSlotWhileAScriptMessageIsUp() {
    const ScriptFolder scripts;
    const std::string& good = scripts.good;
    const std::string& bad = scripts.bad;
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Start();
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    ProgramTestDesk::Choose(desk.SlotList(), 3);
    for (const std::string& script : {bad, good}) {
        bool listHidden = false, frameShown = false, frameOverList = false;
        QString frameText;
        desk.User().SetMessageHook([&](const std::string&) {
            QMetaObject::invokeMethod(
                &desk.Window(),
                [&] {
                    auto* frame = desk.Window().findChild<QLabel*>("slotPlate");
                    listHidden = desk.SlotList().isHidden();
                    frameShown = frame != nullptr && frame->isVisible();
                    frameOverList =
                        frame != nullptr && frame->geometry() == desk.SlotList().geometry();
                    frameText = frame != nullptr ? frame->text() : QString();
                },
                Qt::BlockingQueuedConnection);
        });
        desk.User().AnswerFile(script);
        desk.Click("SCRIPTUpload");
        QTRY_VERIFY(!desk.Window().ScriptDownloadRunning());
        QVERIFY2(listHidden, "the download hides the slot list while its message is up");
        QVERIFY2(frameShown, "the slot list's frame is left empty");
        QVERIFY(frameOverList);
        QCOMPARE(frameText, QStringLiteral("FN+3"));
        QVERIFY(!desk.SlotList().isHidden());
        QVERIFY(!desk.Window().findChild<QLabel*>("slotPlate")->isVisible());
    }
}

void WindowFaultsTest::aboutBoxLinesFitTheirFont() {
    // The box's template fixes the size of its font, not the family: the desktop's family
    // decides how tall a line is. The default family, and the tallest one installed.
    QString tallest;
    int tallestHeight = 0;
    for (const QString& family : QFontDatabase::families()) {
        const int height = QFontMetrics(QFont(family, 8)).height();
        if (height > tallestHeight) {
            tallestHeight = height;
            tallest = family;
        }
    }
    // With no family taller than the template's line installed, this shows nothing.
    qInfo("tallest family: %s, %d px at 8 points", qPrintable(tallest), tallestHeight);
    vorn::test::ScriptedUser user;
    for (const QString& family : {QApplication::font().family(), tallest}) {
        QFont font = QApplication::font();
        font.setFamily(family);
        QApplication::setFont(font);
        vorn::app::CAboutDlg box(user, 0x0409);
        for (auto* label : box.findChildren<QLabel*>()) {
            if (label->text().isEmpty()) continue;
            QVERIFY2(label->height() >= label->fontMetrics().height(),
                     qPrintable(family + ": " + label->text()));
            QVERIFY(box.rect().contains(label->geometry()));
        }
    }
    QApplication::setFont(QFont());
}

void WindowFaultsTest::successInformsAndFailureWarns() {
    QTemporaryDir dir;
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Start();
    desk.Click("KeymapUpload");  // nothing chosen: a refusal
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    desk.User().AnswerFile(dir.filePath("keys.dat").toStdString());
    desk.Click("KeymapUpload");
    desk.User().AnswerFile(dir.filePath("missing.dat").toStdString());
    desk.Click("KeymapDownload");
    const auto told = desk.User().Told();
    QCOMPARE(told.size(), std::size_t{3});
    QCOMPARE(told[0].text, std::string("Please select a model first."));
    QCOMPARE(told[0].tone, MessageTone::kWarning);
    QCOMPARE(told[1].text, std::string("Upload successfully."));
    QCOMPARE(told[1].tone, MessageTone::kInformation);
    QCOMPARE(told[2].text, std::string("Fail to open the selected file."));
    QCOMPARE(told[2].tone, MessageTone::kWarning);

    // The script download the same: a refusal and a failed compile warn, a download informs.
    const ScriptFolder folder;
    ProgramTestDesk scripts;
    scripts.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    scripts.Start();
    scripts.Click("SCRIPTUpload");  // nothing chosen: a refusal
    ProgramTestDesk::Choose(scripts.KeyboardList(), 0);
    for (const std::string& script : {folder.good, folder.bad}) {
        scripts.User().AnswerFile(script);
        scripts.Click("SCRIPTUpload");
        QTRY_VERIFY(!scripts.Window().ScriptDownloadRunning());
    }
    const auto toldScripts = scripts.User().Told();
    QCOMPARE(toldScripts.size(), std::size_t{3});
    QCOMPARE(toldScripts[0].tone, MessageTone::kWarning);
    QCOMPARE(toldScripts[1].text, std::string("Download the scrip file successfully."));
    QCOMPARE(toldScripts[1].tone, MessageTone::kInformation);
    QCOMPARE(toldScripts[2].tone, MessageTone::kWarning);

    // And the window's own boxes show the tone as their icon.
    vorn::app::QtUserSeam seam(nullptr);
    for (MessageTone tone : {MessageTone::kInformation, MessageTone::kWarning}) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            icon = box->icon();
            box->accept();
        });
        seam.Tell({"x", {}, tone});
        QCOMPARE(icon,
                 tone == MessageTone::kWarning ? QMessageBox::Warning : QMessageBox::Information);
    }
}

void WindowFaultsTest::failToInitSaysWhyAndWhatToDo() {
    for (const char* button : {"KeymapUpload", "KeymapDownload", "SCRIPTUpload"}) {
        LockedNodes platform;
        vorn::sim::SimHidPlatform::DeviceDescription orvane;
        orvane.path = vorn::test::kOrvanePath;
        orvane.vendorId = vorn::test::kOrvanePro.vendorId;
        orvane.productId = vorn::test::kOrvanePro.productId;
        platform.Attach(orvane);
        vorn::sim::SimDeviceMonitor monitor(platform);
        vorn::test::ScriptedUser user;
        vorn::app::CVornUtilDlg window(platform, monitor, &user);
        window.show();
        ProgramTestDesk::Choose(*window.findChild<QComboBox*>("keyboardList"), 0);
        window.OnSkinButtonName(QString::fromLatin1(button));
        const auto told = user.Told();
        QCOMPARE(told.size(), std::size_t{1});
        QCOMPARE(told[0].text, std::string("Fail to init."));
        QCOMPARE(told[0].tone, MessageTone::kWarning);
        const QString detail = QString::fromStdString(told[0].detail);
        QVERIFY2(detail.contains(vorn::test::kOrvanePath), qPrintable(detail));
        QVERIFY(detail.contains("Permission denied"));
        QVERIFY(detail.contains("60-vornutil.rules"));
        QVERIFY(detail.contains("sudo udevadm control --reload-rules"));
        QVERIFY(detail.contains("sudo udevadm trigger --subsystem-match=hidraw --action=add"));
    }
}

void WindowFaultsTest::keyboardListSaysWhatToDoWhileNothingIsChosen() {
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Start();
    QCOMPARE(desk.KeyboardList().currentIndex(), -1);
    QCOMPARE(desk.KeyboardList().placeholderText(), QStringLiteral("Choose a keyboard"));
    QCOMPARE(desk.KeyboardList().currentText(), QString());
}

void WindowFaultsTest::boxesPopupsAndTooltipsWearTheSkin() {
    QMessageBox box(QMessageBox::Information, "t", "x");
    QVERIFY(IsDark(box.palette().color(QPalette::Window)));
    QVERIFY(!IsDark(box.palette().color(QPalette::WindowText)));
    QVERIFY(IsDark(QToolTip::palette().color(QPalette::ToolTipBase)));
    ProgramTestDesk desk;
    desk.Start();
    QAbstractItemView* popup = desk.KeyboardList().view();
    QVERIFY(IsDark(popup->palette().color(QPalette::Base)));
}

void WindowFaultsTest::windowIsNamedAfterTheProgram() {
    ProgramTestDesk desk;
    desk.Start();
    QCOMPARE(desk.Window().windowTitle(), QStringLiteral("VornUtil"));
}

void WindowFaultsTest::pressedButtonShadesOnlyItsPlate() {
    ProgramTestDesk desk;
    desk.Start();
    vorn::skin::CSkinButton* button = desk.Button("KeymapUpload");
    QVERIFY(button);
    const QImage normal = button->grab().toImage();
    button->setDown(true);
    const QImage pressed = button->grab().toImage();
    button->setDown(false);
    // The corner outside the rounded plate is the face's background, and stays so.
    QCOMPARE(pressed.pixelColor(0, 0), normal.pixelColor(0, 0));
    QCOMPARE(pressed.pixelColor(button->width() - 1, button->height() - 1),
             normal.pixelColor(button->width() - 1, button->height() - 1));
    const QPoint middle(button->width() / 2, button->height() / 2);
    QVERIFY(pressed.pixelColor(middle).lightness() < normal.pixelColor(middle).lightness() + 40);
    QVERIFY(pressed.pixelColor(middle) != normal.pixelColor(middle));
}

QTEST_MAIN(WindowFaultsTest)
#include "WindowFaultsTest.moc"
