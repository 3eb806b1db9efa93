// The main window: the skinned dialog with the keyboard list, the slot list and the
// progress bar, the four skin buttons' commands, keyboard selection and device changes.
//
// It takes its platform from outside (the system's HID backend and device monitor in the
// program, simulated ones in the demo and the tests) and owns everything else for its
// whole run: the main state, the keyboard link, the script compiler and the script
// download. The user seam is its own Qt dialogs unless one is given.
//
// While a script download runs the window refuses to end; a request to end (Enter,
// Escape, close) is kept and carried out as soon as the download has finished.
#pragma once

#include <QIcon>
#include <QString>
#include <memory>
#include <optional>

#include "hid/DeviceMonitor.h"
#include "hid/HidPlatform.h"
#include "hid/Link.h"
#include "script/CompilerState.h"
#include "script/ScriptDownload.h"
#include "skin/CSkinDialog.h"
#include "state/MainState.h"
#include "state/UserSeam.h"

class QComboBox;
class QProgressBar;

namespace vorn::app {

class DeviceWatcher;
class MainStateView;

class CVornUtilDlg : public skin::CSkinDialog {
    Q_OBJECT
  public:
    // `user` null: message boxes and file dialogs of the window's own.
    CVornUtilDlg(hid::HidPlatform& platform, hid::DeviceMonitor& monitor,
                 state::UserSeam* user = nullptr, QWidget* parent = nullptr);
    ~CVornUtilDlg() override;

    void OnSkinButton(skin::CSkinButton* button) override;
    // Runs the command of that name; a name of no command does nothing.
    void OnSkinButtonName(const QString& name) override;
    // The person picked an entry of the keyboard list.
    void OnKeyboardSelChange();
    // One device change; rebuilds the lists on a HID interface arrival or any removal.
    bool OnDeviceChange(hid::DeviceChange change);

    // The four commands, by the names of their skin buttons.
    void OnKeymapUpload();
    void OnKeymapDownload();
    void OnScriptUpload();
    void OnAbout();

    // Ends the window, or, while a script download runs, ends it once the download is over.
    void done(int result) override;

    state::MainState& State() { return state_; }
    hid::Link& KeyboardLink() { return link_; }
    bool ScriptDownloadRunning() const;
    // True while a request to end waits for the script download.
    bool EndPending() const { return pendingResult_.has_value(); }

  protected:
    void OnInitDialog() override;

  private:
    void EnumerateKeyboards();
    void PlaceSlotList();
    void OnScriptDownloadFinished();
    void WaitForScriptDownload();
    QComboBox& KeyboardListControl() const;
    QComboBox& SlotListControl() const;
    QProgressBar& ProgressBarControl() const;

    hid::HidPlatform& platform_;
    hid::DeviceMonitor& monitor_;
    QIcon icon_;
    state::MainState state_;
    std::unique_ptr<state::UserSeam> ownUser_;
    state::UserSeam& user_;
    hid::Link link_;
    script::CompilerState compiler_;
    script::ScriptDownload script_;
    // Declared after the state they look at, so they go first.
    std::unique_ptr<MainStateView> view_;
    std::unique_ptr<DeviceWatcher> watcher_;
    std::optional<int> pendingResult_;
};

}  // namespace vorn::app
