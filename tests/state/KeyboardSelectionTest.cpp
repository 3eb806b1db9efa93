#include <gtest/gtest.h>

#include <string>

#include "hid/ModelTable.h"
#include "state/KeyboardSelection.h"

namespace vorn::state {
namespace {

using hid::kModelCount;

TEST(SlotEntriesTest, ScriptModelsGetTenSlotEntriesWithTheFirstSelected) {
    for (int model : {2, 3}) {
        ListModel slots;
        AddSlotEntries(model, slots);
        ASSERT_EQ(slots.Count(), 10) << model;
        for (int j = 0; j < 10; ++j) EXPECT_EQ(slots.Text(j), "FN+" + std::to_string(j));
        EXPECT_EQ(slots.Selected(), 0);
    }
}

TEST(SlotEntriesTest, OtherModelsAddNoSlotEntryAndLeaveTheSelection) {
    for (int model : {0, 1, 4, 5, 6, -1, kModelCount}) {
        ListModel slots;
        AddSlotEntries(model, slots);
        EXPECT_EQ(slots.Count(), 0) << model;
        EXPECT_EQ(slots.Selected(), -1) << model;
    }
}

TEST(SlotEntriesTest, SlotEntriesAreAppendedToWhatTheListHolds) {
    ListModel slots;
    slots.Add("kept");
    slots.SetSelected(0);
    AddSlotEntries(2, slots);
    ASSERT_EQ(slots.Count(), 11);
    EXPECT_EQ(slots.Text(0), "kept");
    EXPECT_EQ(slots.Text(1), "FN+0");
    EXPECT_EQ(slots.Selected(), 0);
}

struct SelectionCase {
    const char* model;
    int slotCount;
    std::uint8_t layout;
};

class KeyboardSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

// Whatever the previous keyboard left, the slots and the layout follow the new choice.
TEST_P(KeyboardSelectionTest, SlotsAndLayoutFollowTheChosenModel) {
    MainState state;
    state.slots.Add("left over");
    state.scriptLayout = 7;
    state.keyboards.Add("Brellow");
    state.keyboards.Add(GetParam().model);
    state.keyboards.SetSelected(1);
    ApplyKeyboardSelection(state);
    EXPECT_EQ(state.slots.Count(), GetParam().slotCount);
    EXPECT_EQ(state.scriptLayout, GetParam().layout);
    if (GetParam().slotCount > 0) {
        EXPECT_EQ(state.slots.Selected(), 0);
        EXPECT_EQ(state.slots.Text(GetParam().slotCount - 1), "FN+9");
    }
}

INSTANTIATE_TEST_SUITE_P(Models, KeyboardSelectionTest,
                         ::testing::Values(SelectionCase{"Orvane Pro", 10, 1},
                                           SelectionCase{"Tessik Pro", 10, 2},
                                           SelectionCase{"Tessik", 0, 0},
                                           SelectionCase{"Brellow", 0, 0},
                                           SelectionCase{"orvane pro", 0, 0}));

}  // namespace
}  // namespace vorn::state
