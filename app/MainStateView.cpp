#include "app/MainStateView.h"

#include <QSignalBlocker>
#include <QThread>

#include "app/GuiThread.h"

namespace vorn::app {
namespace {

void FillList(QComboBox& list, const state::ListModel& model) {
    const QSignalBlocker blocker(list);
    list.clear();
    for (const std::string& item : model.Items()) list.addItem(QString::fromStdString(item));
    list.setCurrentIndex(model.Selected());
}

}  // namespace

MainStateView::MainStateView(state::MainState& state, QComboBox& keyboardList, QComboBox& slotList,
                             QProgressBar& progressBar, QObject* parent)
    : QObject(parent),
      state_(state),
      keyboardList_(&keyboardList),
      slotList_(&slotList),
      progressBar_(&progressBar) {
    connect(&keyboardList, &QComboBox::activated, this, &MainStateView::OnKeyboardActivated);
    connect(&slotList, &QComboBox::activated, this, &MainStateView::OnSlotActivated);
    state_.SetObserver(this);
    SyncAll();
}

MainStateView::~MainStateView() {
    if (state_.Observer() == this) state_.SetObserver(nullptr);
}

void MainStateView::SetSlotPlate(QLabel& plate) {
    slotPlate_ = &plate;
    SyncSlotListVisibility();
}

void MainStateView::SyncAll() {
    SyncKeyboardList();
    SyncSlotList();  // and its visibility
    SyncProgress();
}

void MainStateView::KeyboardListChanged() { OnGuiThread(&MainStateView::SyncKeyboardList); }
void MainStateView::SlotListChanged() { OnGuiThread(&MainStateView::SyncSlotList); }

void MainStateView::SlotListVisibilityChanged(bool) {
    OnGuiThread(&MainStateView::SyncSlotListVisibility);
}

void MainStateView::ProgressChanged(const state::ProgressState&) {
    OnGuiThread(&MainStateView::SyncProgress);
}

void MainStateView::OnGuiThread(void (MainStateView::*sync)()) {
    if (QThread::currentThread() == thread()) {
        (this->*sync)();
        return;
    }
    PostToThreadOf(*this, [this, sync] { (this->*sync)(); });
}

void MainStateView::SyncKeyboardList() {
    if (keyboardList_) FillList(*keyboardList_, state_.keyboards);
}

void MainStateView::SyncSlotList() {
    if (slotList_) FillList(*slotList_, state_.slots);
    SyncSlotListVisibility();
}

void MainStateView::SyncSlotListVisibility() {
    if (!slotList_) return;
    const bool visible = state_.SlotListVisible();
    slotList_->setVisible(visible);
    if (!slotPlate_) return;
    slotPlate_->setGeometry(slotList_->geometry());
    slotPlate_->setText(slotList_->currentText());
    slotPlate_->setVisible(!visible);
}

void MainStateView::SyncProgress() {
    if (!progressBar_) return;
    const state::ProgressState progress = state_.Progress();
    // An empty range is an empty bar, not Qt's busy indicator: nothing is under way yet.
    const bool empty = progress.high <= progress.low;
    progressBar_->setRange(progress.low, empty ? progress.low + 1 : progress.high);
    progressBar_->setValue(empty ? progress.low : progress.position);
    progressBar_->setVisible(progress.visible);
}

void MainStateView::OnKeyboardActivated(int index) {
    state_.keyboards.SetSelected(index);
    if (keyboardChosen_) keyboardChosen_();
}

void MainStateView::OnSlotActivated(int index) { state_.slots.SetSelected(index); }

}  // namespace vorn::app
