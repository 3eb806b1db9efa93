// The whole program against simulated keyboards with a scripted user: start-up, plugging
// and unplugging, keyboard selection, every button, a script download with things
// happening meanwhile, and the ways the window ends.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/CAboutDlg.h"
#include "app/DemoKeyboards.h"
#include "hid/LinkProtocol.h"
#include "skin/LanguageId.h"
#include "skin/MapDialogRect.h"
#include "skin/SkinLayout.h"
#include "tests/app/ProgramTestDesk.h"

using vorn::test::ProgramTestDesk;
using Messages = std::vector<std::string>;

// Lets QCOMPARE print the messages a failing test got.
namespace QTest {
template <>
inline char* toString(const Messages& messages) {
    QStringList quoted;
    for (const std::string& m : messages) quoted << QString::fromStdString('"' + m + '"');
    return qstrdup(qPrintable("{" + quoted.join(", ") + "}"));
}
}  // namespace QTest

namespace {

constexpr char kPlug[] = "Please plug a VORN keyboard first.";
constexpr char kSelect[] = "Please select a model first.";
constexpr char kNotSupported[] = "Not supported for this model.";
constexpr char kScriptDone[] = "Download the scrip file successfully.";
const QStringList kTransferButtons{"KeymapUpload", "KeymapDownload", "SCRIPTUpload"};

// A script of `lines` instructions, long enough to be caught while it is programmed.
std::string LongScript(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += "R1=R1+1\r\n";
    return text + "END\r\n";
}

// Closes the About box once it is up, noting that it was.
void CloseAboutBoxWhenShown(bool& shown) {
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<vorn::app::CAboutDlg*>(QApplication::activeModalWidget());
        shown = box != nullptr;
        if (box) box->accept();
    });
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void init();
    void startsWithNoKeyboard();
    void pluggedKeyboardIsListedUnselected();
    void selectingFillsTheSlotList_data();
    void selectingFillsTheSlotList();
    void modelWithoutSlotsRefusesScripts();
    void choosingTheSameKeyboardAgainRefreshesTheSlots();
    void withoutTheHidLibraryTheListStaysEmpty();
    void keymapUploadThenDownload();
    void scriptDownloadToTheChosenSlot();
    void removalKeepsTheSlotListAndClearsTheSelection();
    void onlyHidArrivalsAndRemovalsRebuild_data();
    void onlyHidArrivalsAndRemovalsRebuild();
    void deviceChangeDuringScriptDownload();
    void whileDownloadRunsOnlyAboutOpens();
    void closingWaitsForTheDownload();
    void enterAndEscapeEndTheProgram_data();
    void enterAndEscapeEndTheProgram();
    void slotListPlacement_data();
    void slotListPlacement();
    void demoCarriesTheExamples();

  private:
    // Plugs an Orvane Pro, starts, and selects it.
    vorn::sim::SimKeyboard& StartWithOrvaneSelected(ProgramTestDesk& desk);
    std::string ScriptPath(const char* name) const;

    QTemporaryDir folder_;
};

void ProgramTest::initTestCase() {
    QVERIFY(folder_.isValid());
    // The download's intermediate file goes to the current folder.
    QVERIFY(QDir::setCurrent(folder_.path()));
    vorn::app::WriteDemoScripts(folder_.path().toStdString());
    std::ofstream(ScriptPath("long.vs"), std::ios::binary) << LongScript(150);
}

void ProgramTest::init() {
    vorn::skin::SetUserDefaultLocaleOverride(QLocale(QLocale::English, QLocale::UnitedStates));
}

std::string ProgramTest::ScriptPath(const char* name) const {
    return (folder_.path() + "/" + name).toStdString();
}

vorn::sim::SimKeyboard& ProgramTest::StartWithOrvaneSelected(ProgramTestDesk& desk) {
    vorn::sim::SimKeyboard& keyboard = desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Start();
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    return keyboard;
}

void ProgramTest::startsWithNoKeyboard() {
    ProgramTestDesk desk;
    desk.Start();
    QCOMPARE(desk.KeyboardList().count(), 0);
    QCOMPARE(desk.SlotList().count(), 0);
    QVERIFY(desk.ProgressBar().isHidden());
    QVERIFY(desk.SlotList().isVisible());
    QCOMPARE(desk.Window().State().scriptLayout, 0);
    for (const QString& button : kTransferButtons) desk.Click(button);
    QCOMPARE(desk.User().Messages(), (Messages{kPlug, kPlug, kPlug}));
}

void ProgramTest::pluggedKeyboardIsListedUnselected() {
    ProgramTestDesk desk;
    desk.Start();
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    QTRY_COMPARE(ProgramTestDesk::Items(desk.KeyboardList()), Messages{"Orvane Pro"});
    QCOMPARE(desk.KeyboardList().currentIndex(), -1);
    QCOMPARE(desk.Window().State().keyboards.Selected(), -1);
    for (const QString& button : kTransferButtons) desk.Click(button);
    QCOMPARE(desk.User().Messages(), (Messages{kSelect, kSelect, kSelect}));
}

void ProgramTest::selectingFillsTheSlotList_data() {
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hasSlots");
    QTest::addColumn<int>("layout");
    QTest::newRow("Orvane Pro") << 0x1085 << "Orvane Pro" << true << 1;
    QTest::newRow("Tessik Pro") << 0x0876 << "Tessik Pro" << true << 2;
    QTest::newRow("Tessik") << 0x0211 << "Tessik" << false << 0;
    QTest::newRow("Brellow") << 0x108A << "Brellow" << false << 0;
}

void ProgramTest::selectingFillsTheSlotList() {
    QFETCH(int, productId);
    QFETCH(QString, name);
    QFETCH(bool, hasSlots);
    QFETCH(int, layout);
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, {0x0F39, static_cast<std::uint16_t>(productId)});
    desk.Start();
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    QCOMPARE(desk.KeyboardList().currentText(), name);
    const Messages expected = hasSlots ? vorn::test::SlotEntries() : Messages{};
    QCOMPARE(ProgramTestDesk::Items(desk.SlotList()), expected);
    QCOMPARE(desk.SlotList().currentIndex(), hasSlots ? 0 : -1);
    QCOMPARE(int(desk.Window().State().scriptLayout), layout);
}

void ProgramTest::modelWithoutSlotsRefusesScripts() {
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, {0x0F39, 0x108A});
    desk.Start();
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    desk.Click("SCRIPTUpload");
    QCOMPARE(desk.User().Messages(), Messages{kNotSupported});
    QVERIFY(desk.User().Dialogs().empty());
}

void ProgramTest::choosingTheSameKeyboardAgainRefreshesTheSlots() {
    ProgramTestDesk desk;
    StartWithOrvaneSelected(desk);
    ProgramTestDesk::Choose(desk.SlotList(), 3);
    QCOMPARE(desk.Window().State().slots.Selected(), 3);
    ProgramTestDesk::Choose(desk.KeyboardList(), 0);
    QCOMPARE(desk.SlotList().currentIndex(), 0);
    QCOMPARE(desk.Window().State().slots.Selected(), 0);
}

void ProgramTest::withoutTheHidLibraryTheListStaysEmpty() {
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Platform().SetAvailable(vorn::sim::SimHidPlatform::Op::kGetHidGuid, false);
    desk.Start();
    QVERIFY(desk.Window().isVisible());
    QCOMPARE(desk.KeyboardList().count(), 0);
    desk.Click("KeymapUpload");
    QCOMPARE(desk.User().Messages(), Messages{kPlug});
}

void ProgramTest::keymapUploadThenDownload() {
    ProgramTestDesk desk;
    vorn::sim::SimKeyboard& keyboard = StartWithOrvaneSelected(desk);
    keyboard.SetBlock(1, {0x11, 0x22, 0x33});
    const vorn::sim::Bytes saved = keyboard.Block(1);
    const std::string file = ScriptPath("keys.dat");
    desk.User().AnswerFile(file);
    desk.Click("KeymapUpload");
    QCOMPARE(desk.User().Messages(), Messages{"Upload successfully."});

    QVERIFY(std::filesystem::exists(file));

    keyboard.SetBlock(1, {0x99});
    desk.User().AnswerFile(file);
    desk.Click("KeymapDownload");
    QCOMPARE(desk.User().Messages(), (Messages{"Upload successfully.", "Download successfully."}));
    QCOMPARE(keyboard.Block(1), saved);
}

void ProgramTest::scriptDownloadToTheChosenSlot() {
    ProgramTestDesk desk;
    vorn::sim::SimKeyboard& keyboard = StartWithOrvaneSelected(desk);
    ProgramTestDesk::Choose(desk.SlotList(), 3);
    auto& gate = desk.HoldWorkerMessages();
    desk.User().AnswerFile(ScriptPath("hello.vs"));
    desk.Click("SCRIPTUpload");
    // Under way: the progress bar stands where the slot list was.
    QVERIFY(desk.SlotList().isHidden());
    QVERIFY(desk.ProgressBar().isVisible());
    QVERIFY(desk.User().WaitForMessages(1));
    QTRY_COMPARE(desk.ProgressBar().value(), desk.ProgressBar().maximum());
    gate.Open();
    QTRY_VERIFY(!desk.Window().ScriptDownloadRunning());
    QTRY_VERIFY(desk.ProgressBar().isHidden());
    QVERIFY(desk.SlotList().isVisible());
    QCOMPARE(desk.User().Messages(), Messages{kScriptDone});
    QCOMPARE(keyboard.Slot(3).begins, 1);
    QVERIFY(!keyboard.Slot(3).writes.empty());
    QVERIFY(keyboard.Slot(0).writes.empty());
    QVERIFY(!std::filesystem::exists(folder_.path().toStdString() + "/temp.o"));
}

void ProgramTest::removalKeepsTheSlotListAndClearsTheSelection() {
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    desk.Plug(vorn::test::kTessikProPath, vorn::test::kTessikPro);
    desk.Start();
    ProgramTestDesk::Choose(desk.KeyboardList(), 1);
    QCOMPARE(desk.KeyboardList().currentText(), QStringLiteral("Tessik Pro"));
    desk.Unplug(vorn::test::kOrvanePath);
    QTRY_COMPARE(ProgramTestDesk::Items(desk.KeyboardList()), Messages{"Tessik Pro"});
    QCOMPARE(desk.KeyboardList().currentIndex(), -1);
    QCOMPARE(ProgramTestDesk::Items(desk.SlotList()), vorn::test::SlotEntries());
    QCOMPARE(int(desk.Window().State().scriptLayout), 2);
    QVERIFY(!desk.Window().KeyboardLink().IsOpen());
    desk.Click("SCRIPTUpload");
    QCOMPARE(desk.User().Messages(), Messages{kSelect});
}

void ProgramTest::onlyHidArrivalsAndRemovalsRebuild_data() {
    QTest::addColumn<vorn::hid::DeviceChange>("change");
    QTest::addColumn<bool>("rebuilds");
    QTest::newRow("HID interface arrived") << vorn::hid::DeviceChange::kHidInterfaceArrived << true;
    QTest::newRow("USB stick removed") << vorn::hid::DeviceChange::kDeviceRemoved << true;
    QTest::newRow("USB stick arrived") << vorn::hid::DeviceChange::kOtherArrived << false;
    QTest::newRow("other event") << vorn::hid::DeviceChange::kOther << false;
}

void ProgramTest::onlyHidArrivalsAndRemovalsRebuild() {
    QFETCH(vorn::hid::DeviceChange, change);
    QFETCH(bool, rebuilds);
    ProgramTestDesk desk;
    StartWithOrvaneSelected(desk);
    QCOMPARE(desk.KeyboardList().currentIndex(), 0);
    desk.Inject(change);
    // A change that is ignored gives nothing to wait for. The monitor has queued it to the
    // window by the time Inject returns; let the event loop hand it over.
    QTest::qWait(50);
    QTRY_COMPARE(desk.KeyboardList().currentIndex(), rebuilds ? -1 : 0);
    QCOMPARE(desk.KeyboardList().count(), 1);
}

void ProgramTest::deviceChangeDuringScriptDownload() {
    ProgramTestDesk desk;
    vorn::sim::SimKeyboard& keyboard = StartWithOrvaneSelected(desk);
    keyboard.SetLatency(std::chrono::milliseconds(2));
    desk.User().AnswerFile(ScriptPath("long.vs"));
    desk.Click("SCRIPTUpload");
    QVERIFY(keyboard.WaitForCommands(6, std::chrono::seconds(10)));
    desk.Inject(vorn::hid::DeviceChange::kDeviceRemoved);
    QTRY_COMPARE(desk.KeyboardList().currentIndex(), -1);
    // The link is closed under the worker, whose next command fails.
    QVERIFY(desk.User().WaitForMessages(1));
    const std::string message = desk.User().Messages().back();
    QVERIFY2(message.starts_with("Fail to program instruction seq #"), message.c_str());
    QTRY_VERIFY(!desk.Window().ScriptDownloadRunning());
    QTRY_VERIFY(desk.SlotList().isVisible());
    QVERIFY(desk.ProgressBar().isHidden());
    QCOMPARE(ProgramTestDesk::Items(desk.KeyboardList()), Messages{"Orvane Pro"});
}

void ProgramTest::whileDownloadRunsOnlyAboutOpens() {
    ProgramTestDesk desk;
    StartWithOrvaneSelected(desk);
    auto& gate = desk.HoldWorkerMessages();
    desk.User().AnswerFile(ScriptPath("hello.vs"));
    desk.Click("SCRIPTUpload");
    QVERIFY(desk.Window().ScriptDownloadRunning());
    for (const QString& button : kTransferButtons) desk.Click(button);
    QCOMPARE(desk.User().Dialogs().size(), std::size_t{1});
    bool aboutShown = false;
    CloseAboutBoxWhenShown(aboutShown);
    desk.Click("About");
    QVERIFY(aboutShown);
    gate.Open();
    QVERIFY(desk.User().WaitForMessages(1));
    QCOMPARE(desk.User().Messages(), Messages{kScriptDone});
}

void ProgramTest::closingWaitsForTheDownload() {
    ProgramTestDesk desk;
    StartWithOrvaneSelected(desk);
    auto& gate = desk.HoldWorkerMessages();
    desk.User().AnswerFile(ScriptPath("hello.vs"));
    desk.Click("SCRIPTUpload");
    QVERIFY(desk.User().WaitForMessages(1));
    desk.Window().close();
    QTest::keyClick(&desk.Window(), Qt::Key_Escape);
    QVERIFY(desk.Window().isVisible());
    QVERIFY(desk.Window().EndPending());
    gate.Open();
    QTRY_VERIFY(!desk.Window().isVisible());
    QCOMPARE(desk.Window().result(), int(QDialog::Rejected));
    QVERIFY(!desk.Window().ScriptDownloadRunning());
}

void ProgramTest::enterAndEscapeEndTheProgram_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void ProgramTest::enterAndEscapeEndTheProgram() {
    QFETCH(int, key);
    QFETCH(int, result);
    ProgramTestDesk desk;
    desk.Plug(vorn::test::kOrvanePath, vorn::test::kOrvanePro);
    vorn::app::CVornUtilDlg& window = desk.Start();
    window.hide();
    QTimer::singleShot(0, &window, [&window, key] {
        QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
        QTest::keyClick(target, Qt::Key(key));
    });
    QCOMPARE(window.exec(), result);
}

void ProgramTest::slotListPlacement_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("languageId");
    QTest::addColumn<QPoint>("position");
    const QPoint templatePosition =
        vorn::skin::MapDialogRect(vorn::skin::kTemplateControls[2].dialogUnits).topLeft();
    QTest::newRow("0x0409") << QLocale(QLocale::English, QLocale::UnitedStates) << 0x0409
                            << vorn::skin::kEnglishSlotListPos;
    QTest::newRow("0x0804") << QLocale(QLocale::Chinese, QLocale::China) << 0x0804
                            << templatePosition;
}

void ProgramTest::slotListPlacement() {
    QFETCH(QLocale, locale);
    QFETCH(int, languageId);
    QFETCH(QPoint, position);
    vorn::skin::SetUserDefaultLocaleOverride(locale);
    ProgramTestDesk desk;
    desk.Start();
    QCOMPARE(int(desk.Window().LanguageId()), languageId);
    QCOMPARE(desk.SlotList().pos(), position);
    QVERIFY(desk.SlotList().isVisible());
}

// The demo's scripts are the examples byte for byte, every one of them, plus broken.vs.
void ProgramTest::demoCarriesTheExamples() {
    QTemporaryDir desk;
    QVERIFY(desk.isValid());
    std::vector<std::string> written = vorn::app::WriteDemoScripts(desk.path().toStdString());
    std::vector<std::string> expected{"broken.vs"};
    for (const auto& entry : std::filesystem::directory_iterator(VORN_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".vs") continue;
        const std::string name = entry.path().filename().string();
        expected.push_back(name);
        QFile example(QString::fromStdString(entry.path().string()));
        QFile copy(desk.filePath(QString::fromStdString(name)));
        QVERIFY(example.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), example.readAll());
    }
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(written, expected);
}

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
