// Binds the main window's three controls to the main state: the keyboard list and the slot
// list mirror the state's lists, the progress bar its progress, and a choice the person
// makes in a list goes back into the state.
//
// The state tells about changes on the thread that made them (the script download's
// worker, among others). Every such note is turned into a re-read of the state on the GUI
// thread, so the controls always end with the state's latest values, whatever order the
// notes arrive in.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <functional>

#include "state/MainState.h"

namespace vorn::app {

class MainStateView : public QObject, public state::MainStateObserver {
    Q_OBJECT
  public:
    // Observes `state` from now on, until destroyed.
    MainStateView(state::MainState& state, QComboBox& keyboardList, QComboBox& slotList,
                  QProgressBar& progressBar, QObject* parent = nullptr);
    ~MainStateView() override;

    // Called on the GUI thread after the person picked an entry of the keyboard list (even
    // the one already selected); the state's selection is already updated.
    void SetKeyboardChosen(std::function<void()> chosen) { keyboardChosen_ = std::move(chosen); }

    // A label over the slot list's place that names the chosen slot while the list is hidden
    // (a script download hides it), so its frame on the face is never left empty.
    void SetSlotPlate(QLabel& plate);

    // Reads the whole state into the controls; GUI thread only.
    void SyncAll();

    void KeyboardListChanged() override;
    void SlotListChanged() override;
    void SlotListVisibilityChanged(bool visible) override;
    void ProgressChanged(const state::ProgressState& progress) override;

  private:
    // Runs `sync` now on the GUI thread, or queues it there from another thread.
    void OnGuiThread(void (MainStateView::*sync)());
    void SyncKeyboardList();
    void SyncSlotList();
    void SyncSlotListVisibility();
    void SyncProgress();
    void OnKeyboardActivated(int index);
    void OnSlotActivated(int index);

    state::MainState& state_;
    QPointer<QComboBox> keyboardList_;
    QPointer<QComboBox> slotList_;
    QPointer<QProgressBar> progressBar_;
    QPointer<QLabel> slotPlate_;
    std::function<void()> keyboardChosen_;
};

}  // namespace vorn::app
