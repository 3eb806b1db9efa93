#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "state/MainState.h"

namespace vorn::state {
namespace {

TEST(ListModelTest, StartsEmptyWithNoSelection) {
    ListModel list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Selected(), -1);
    EXPECT_EQ(list.SelectedText(), "");
}

TEST(ListModelTest, KeepsItemsInInsertionOrderWithoutSelectingThem) {
    ListModel list;
    for (const char* name : {"Zeta", "Alpha", "Zeta"}) list.Add(name);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Zeta", "Alpha", "Zeta"}));
    EXPECT_EQ(list.Selected(), -1);
}

TEST(ListModelTest, SelectionOutsideTheItemsMeansNone) {
    struct Case {
        int index;
        int expected;
    };
    const Case cases[] = {{0, 0}, {2, 2}, {3, -1}, {-1, -1}, {-7, -1}, {1000, -1}};
    for (const Case& c : cases) {
        ListModel list;
        for (const char* name : {"FN+0", "FN+1", "FN+2"}) list.Add(name);
        list.SetSelected(1);
        list.SetSelected(c.index);
        EXPECT_EQ(list.Selected(), c.expected) << c.index;
        EXPECT_EQ(list.SelectedText(), c.expected < 0 ? "" : list.Text(c.expected)) << c.index;
    }
}

TEST(ListModelTest, EmptyingDropsTheSelection) {
    ListModel list;
    list.Add("FN+0");
    list.SetSelected(0);
    list.Clear();
    list.Add("FN+0");
    EXPECT_EQ(list.Selected(), -1);
}

TEST(MainStateTest, StartsIdleWithNothingChosen) {
    MainState state;
    EXPECT_EQ(state.devices.count, 0);
    EXPECT_EQ(state.keyboards.Count(), 0);
    EXPECT_EQ(state.slots.Count(), 0);
    EXPECT_EQ(state.scriptLayout, 0);
    EXPECT_FALSE(state.scriptRunning.load());
    EXPECT_TRUE(state.SlotListVisible());
    EXPECT_FALSE(state.Progress().visible);
}

TEST(MainStateTest, ProgressStartsAtTheLowEndAndStopsAtTheHighEnd) {
    MainState state;
    state.SetProgressRange(0, 3);
    state.SetProgressStep(1);
    std::vector<int> positions{state.Progress().position};
    for (int i = 0; i < 5; ++i) {
        state.StepProgress();
        positions.push_back(state.Progress().position);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 3, 3}));
}

TEST(MainStateTest, NewRangeRestartsTheProgress) {
    MainState state;
    state.SetProgressRange(0, 10);
    state.SetProgressStep(4);
    state.StepProgress();
    state.SetProgressRange(2, 5);
    const ProgressState progress = state.Progress();
    EXPECT_EQ(progress.position, 2);
    EXPECT_EQ(progress.high, 5);
    EXPECT_EQ(progress.step, 4);
}

class RecordingObserver : public MainStateObserver {
  public:
    void KeyboardListChanged() override { ++keyboardLists; }
    void SlotListChanged() override { ++slotLists; }
    void SlotListVisibilityChanged(bool visible) override { visibility.push_back(visible); }
    void ProgressChanged(const ProgressState& progress) override {
        positions.push_back(progress.position);
    }
    int keyboardLists = 0;
    int slotLists = 0;
    std::vector<bool> visibility;
    std::vector<int> positions;
};

TEST(MainStateTest, ObserverHearsOfEveryChange) {
    MainState state;
    RecordingObserver observer;
    state.SetObserver(&observer);
    state.NotifyKeyboardList();
    state.NotifySlotList();
    state.ShowSlotList(false);
    state.ShowSlotList(true);
    state.SetProgressRange(0, 2);
    state.StepProgress();
    state.ShowProgress(true);
    EXPECT_EQ(observer.keyboardLists, 1);
    EXPECT_EQ(observer.slotLists, 1);
    EXPECT_EQ(observer.visibility, (std::vector<bool>{false, true}));
    EXPECT_EQ(observer.positions, (std::vector<int>{0, 1, 1}));
}

class CountingObserver : public MainStateObserver {
  public:
    void ProgressChanged(const ProgressState&) override { ++changes; }
    std::atomic<int> changes{0};
};

// A script download steps the bar and flips the controls from its worker while the window
// reads them; under the thread sanitizer this shows the guarded parts really are guarded.
TEST(MainStateTest, WorkerMayDriveTheProgressWhileTheWindowReadsIt) {
    constexpr int kSteps = 500;
    MainState state;
    CountingObserver observer;
    state.SetObserver(&observer);
    state.SetProgressRange(0, kSteps);
    state.scriptRunning.store(true);
    std::thread worker([&] {
        state.ShowSlotList(false);
        for (int i = 0; i < kSteps; ++i) state.StepProgress();
        state.ShowSlotList(true);
        state.scriptRunning.store(false);
    });
    int last = 0;
    while (state.scriptRunning.load()) {
        const int position = state.Progress().position;
        EXPECT_GE(position, last);
        last = position;
        state.SlotListVisible();
    }
    worker.join();
    EXPECT_EQ(state.Progress().position, kSteps);
    EXPECT_EQ(observer.changes.load(), kSteps + 1);
    EXPECT_TRUE(state.SlotListVisible());
}

}  // namespace
}  // namespace vorn::state
