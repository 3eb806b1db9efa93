// The state of the main window that every procedure works on, without the window: the
// device list, the keyboard list, the slot list, the progress bar and the flags of a
// script download. The Qt window binds its controls to it through MainStateObserver.
//
// Threads: everything belongs to the GUI thread, except what a running script download
// touches from its worker (progress bar, slot-list and progress-bar visibility, the
// script-running flag). Those parts are guarded here, and the observer is told about
// their changes on the thread that made them; the window marshals to its GUI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "state/DeviceList.h"
#include "state/ListModel.h"

namespace vorn::state {

struct ProgressState {
    int low = 0;
    int high = 0;
    int step = 1;
    int position = 0;
    bool visible = false;
};

// Told after every change; see the thread note at the top.
class MainStateObserver {
  public:
    virtual ~MainStateObserver() = default;
    virtual void KeyboardListChanged() {}
    virtual void SlotListChanged() {}
    virtual void SlotListVisibilityChanged(bool /*visible*/) {}
    virtual void ProgressChanged(const ProgressState& /*progress*/) {}
};

class MainState {
  public:
    DeviceList devices;
    ListModel keyboards;
    ListModel slots;

    // Set while a script download runs; every button command looks at it first.
    std::atomic<bool> scriptRunning{false};
    // Written on the GUI thread before the download worker starts, read by the worker.
    int selectedSlot = 0;
    std::string scriptPath;
    std::uint8_t scriptLayout = 0;

    void SetObserver(MainStateObserver* observer) { observer_ = observer; }
    MainStateObserver* Observer() const { return observer_; }

    void NotifyKeyboardList() {
        if (observer_) observer_->KeyboardListChanged();
    }
    void NotifySlotList() {
        if (observer_) observer_->SlotListChanged();
    }

    bool SlotListVisible() const { return slotListVisible_.load(); }
    void ShowSlotList(bool visible) {
        slotListVisible_.store(visible);
        if (observer_) observer_->SlotListVisibilityChanged(visible);
    }

    ProgressState Progress() const {
        std::lock_guard lock(progressMutex_);
        return progress_;
    }
    void SetProgressRange(int low, int high) {
        UpdateProgress([&](ProgressState& p) {
            p.low = low;
            p.high = high;
            p.position = low;
        });
    }
    void SetProgressStep(int step) {
        UpdateProgress([&](ProgressState& p) { p.step = step; });
    }
    void StepProgress() {
        UpdateProgress([](ProgressState& p) {
            p.position += p.step;
            if (p.position > p.high) p.position = p.high;
        });
    }
    void ShowProgress(bool visible) {
        UpdateProgress([&](ProgressState& p) { p.visible = visible; });
    }

  private:
    template <typename F>
    void UpdateProgress(F change) {
        ProgressState copy;
        {
            std::lock_guard lock(progressMutex_);
            change(progress_);
            copy = progress_;
        }
        if (observer_) observer_->ProgressChanged(copy);
    }

    MainStateObserver* observer_ = nullptr;
    std::atomic<bool> slotListVisible_{true};
    mutable std::mutex progressMutex_;
    ProgressState progress_;
};

}  // namespace vorn::state
