// What choosing a keyboard does to the rest of the main window: the slot list and the
// script layout follow the keyboard's model. The window and vornctl share it.
#pragma once

#include "state/ListModel.h"
#include "state/MainState.h"

namespace vorn::state {

// Appends "FN+0", "FN+1", ... for each script slot of the model, making the first entry
// the current selection after each one. Entry j is script slot j. Does not empty the list.
void AddSlotEntries(int model, ListModel& slots);

// The reaction to a new selection in the keyboard list: the slot list is emptied and
// refilled from the model of the selected keyboard, whose script layout becomes the
// state's; a name the model table does not know leaves no slots and layout 0.
void ApplyKeyboardSelection(MainState& state);

// Selects keyboard list item `index` (-1 for none) and reacts as a click would.
void SelectKeyboard(MainState& state, int index);

}  // namespace vorn::state
