// The state of the main window that every procedure works on, without the window: the
// device list, the keyboard list, the slot list, the progress bar and the flags of a
// script download. The Qt window binds its controls to it through MainStateObserver.
//
// Threads: everything belongs to the GUI thread, except what a running script download
// touches from its worker (progress bar, slot-list and progress-bar visibility, the
// script-running flag). Those parts are guarded here, and the observer is told about
// their changes on the thread that made them; the window marshals to its GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vorn::hid {

struct DeviceEntry {
    std::uint32_t vendorId = 0;
    std::uint32_t productId = 0;
    std::uint32_t reportLength = 0;
    std::string path;
};

// The accepted keyboard interfaces; entry i belongs to item i of the keyboard list.
struct DeviceList {
    static constexpr int kCapacity = 16;
    std::array<DeviceEntry, kCapacity> entries{};
    int count = 0;

    void Clear() {
        entries.fill(DeviceEntry{});
        count = 0;
    }
};

// A drop-down list: items in insertion order, no sorting, selection -1 for none.
class ListModel {
public:
    void Clear() {
        items_.clear();
        selected_ = -1;
    }
    void Add(std::string text) { items_.push_back(std::move(text)); }
    int Count() const { return static_cast<int>(items_.size()); }
    int Selected() const { return selected_; }
    // An index outside the items clears the selection.
    void SetSelected(int index) { selected_ = (index >= 0 && index < Count()) ? index : -1; }
    const std::string& Text(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    std::string SelectedText() const { return selected_ >= 0 ? items_[selected_] : std::string(); }
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

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

}  // namespace vorn::hid
