#include "app/CVornUtilDlg.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <array>
#include <chrono>
#include <thread>

#include "app/CAboutDlg.h"
#include "app/DeviceWatcher.h"
#include "app/GuiThread.h"
#include "app/MainStateView.h"
#include "app/QtUserSeam.h"
#include "hid/Discovery.h"
#include "hid/ModelTable.h"
#include "keymap/KeymapTransfer.h"
#include "res/VornResources.h"
#include "skin/LanguageId.h"
#include "skin/SkinLayout.h"
#include "state/KeyboardList.h"
#include "state/KeyboardSelection.h"

namespace vorn::app {
namespace {

struct Command {
    const char* name;
    void (CVornUtilDlg::*action)();
};

std::unique_ptr<state::UserSeam> OwnUserUnless(state::UserSeam* given, QWidget* owner) {
    if (given != nullptr) return nullptr;
    return std::make_unique<QtUserSeam>(owner);
}

template <typename Control>
Control& ControlOf(const skin::CSkinDialog& dialog, int id) {
    // Template 102 always has these three; a missing one is a broken build of the template.
    auto* control = qobject_cast<Control*>(dialog.GetDlgItem(id));
    Q_ASSERT(control != nullptr);
    return *control;
}

}  // namespace

CVornUtilDlg::CVornUtilDlg(hid::HidPlatform& platform, hid::DeviceMonitor& monitor,
                           state::UserSeam* user, QWidget* parent)
    : CSkinDialog(parent),
      platform_(platform),
      monitor_(monitor),
      icon_(res::AppIcon()),
      ownUser_(OwnUserUnless(user, this)),
      user_(user != nullptr ? *user : *ownUser_),
      link_(platform_, &user_),
      script_(state_, link_, user_, compiler_),
      view_(std::make_unique<MainStateView>(state_, KeyboardListControl(), SlotListControl(),
                                            ProgressBarControl())) {
    // The window system shows this as the window's name, not the executable's.
    setWindowTitle(QStringLiteral("VornUtil"));
    // The list starts with nothing selected; say what to do rather than look empty.
    KeyboardListControl().setPlaceholderText(QStringLiteral("Choose a keyboard"));
    view_->SetKeyboardChosen([this] { OnKeyboardSelChange(); });
    // While a script download hides the slot list, its frame on the face names the slot being
    // programmed instead of standing empty.
    auto* slotPlate = new QLabel(this);
    slotPlate->setObjectName(QStringLiteral("slotPlate"));
    slotPlate->setAlignment(Qt::AlignCenter);
    slotPlate->setStyleSheet(QStringLiteral("color: #36c9b6; font-weight: bold;"));
    view_->SetSlotPlate(*slotPlate);
    // The worker calls this as its last action; the rest happens on the GUI thread.
    script_.SetFinishedCallback(
        [this] { PostToThreadOf(*this, [this] { OnScriptDownloadFinished(); }); });
}

CVornUtilDlg::~CVornUtilDlg() {
    script_.SetFinishedCallback({});
    WaitForScriptDownload();
    watcher_.reset();
    view_.reset();
}

void CVornUtilDlg::OnInitDialog() {
    LoadSkin();
    setWindowIcon(icon_);
    // The monitor was made before this first scan, so nothing plugged in meanwhile is lost.
    watcher_ = std::make_unique<DeviceWatcher>(
        monitor_, [this](hid::DeviceChange change) { OnDeviceChange(change); });
    state_.scriptRunning.store(false);
    EnumerateKeyboards();
    PlaceSlotList();
}

void CVornUtilDlg::EnumerateKeyboards() {
    state::ResetDeviceList(state_.devices, link_);
    state::EnumerateKeyboards(link_, state_.devices, state_.keyboards);
    state_.NotifyKeyboardList();
}

// The English face has the slot list's frame further left than the template puts it.
void CVornUtilDlg::PlaceSlotList() {
    if (skin::IsChineseLanguageId(LanguageId())) return;
    QComboBox& slotList = SlotListControl();
    slotList.move(skin::kEnglishSlotListPos);
    slotList.raise();
    state_.ShowSlotList(true);
}

void CVornUtilDlg::OnSkinButton(skin::CSkinButton* button) {
    if (button != nullptr) OnSkinButtonName(button->Name());
}

void CVornUtilDlg::OnSkinButtonName(const QString& name) {
    static constexpr std::array<Command, 4> kCommands{{
        {"KeymapUpload", &CVornUtilDlg::OnKeymapUpload},
        {"KeymapDownload", &CVornUtilDlg::OnKeymapDownload},
        {"SCRIPTUpload", &CVornUtilDlg::OnScriptUpload},
        {"About", &CVornUtilDlg::OnAbout},
    }};
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name)) {
            (this->*command.action)();
            return;
        }
    }
}

void CVornUtilDlg::OnKeyboardSelChange() {
    state::ApplyKeyboardSelection(state_);
    state_.NotifySlotList();
}

bool CVornUtilDlg::OnDeviceChange(hid::DeviceChange change) {
    if (hid::RebuildsLists(change)) EnumerateKeyboards();
    return true;
}

void CVornUtilDlg::done(int result) {
    if (ScriptDownloadRunning()) {
        pendingResult_ = result;
        return;
    }
    pendingResult_.reset();
    CSkinDialog::done(result);
}

bool CVornUtilDlg::ScriptDownloadRunning() const {
    return script_.Running() || state_.scriptRunning.load();
}

void CVornUtilDlg::OnKeymapUpload() {
    keymap::KeymapUpload(state_, link_, user_);
    view_->SyncAll();
}

void CVornUtilDlg::OnKeymapDownload() {
    keymap::KeymapDownload(state_, link_, user_);
    view_->SyncAll();
}

void CVornUtilDlg::OnScriptUpload() { script_.SCRIPTUpload(); }

void CVornUtilDlg::OnAbout() {
    CAboutDlg box(user_, LanguageId(), this);
    box.exec();
}

void CVornUtilDlg::OnScriptDownloadFinished() {
    view_->SyncAll();
    if (pendingResult_ && !ScriptDownloadRunning()) done(*pendingResult_);
}

// Only for a window destroyed without ending properly (the application quitting under
// it): the worker may be waiting for a message box on this thread, so keep serving
// events rather than block on it.
void CVornUtilDlg::WaitForScriptDownload() {
    using namespace std::chrono_literals;
    while (script_.Running()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(5ms);
    }
}

QComboBox& CVornUtilDlg::KeyboardListControl() const {
    return ControlOf<QComboBox>(*this, skin::kKeyboardListId);
}

QComboBox& CVornUtilDlg::SlotListControl() const {
    return ControlOf<QComboBox>(*this, skin::kSlotListId);
}

QProgressBar& CVornUtilDlg::ProgressBarControl() const {
    return ControlOf<QProgressBar>(*this, skin::kProgressBarId);
}

}  // namespace vorn::app
