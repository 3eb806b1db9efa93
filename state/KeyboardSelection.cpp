#include "state/KeyboardSelection.h"

#include <cstdio>
#include <optional>

#include "hid/ModelTable.h"

namespace vorn::state {

void AddSlotEntries(int model, ListModel& slots) {
    const std::int32_t count = hid::ScriptSlotCount(model);
    for (std::int32_t j = 0; j < count; ++j) {
        char text[16];
        std::snprintf(text, sizeof text, "FN+%d", static_cast<int>(j));
        slots.Add(text);
        slots.SetSelected(0);
    }
}

void ApplyKeyboardSelection(MainState& state) {
    state.slots.Clear();
    state.scriptLayout = 0;
    if (const std::optional<int> row = hid::RowForName(state.keyboards.SelectedText())) {
        AddSlotEntries(*row, state.slots);
        state.scriptLayout = hid::ScriptLayout(*row);
    }
}

void SelectKeyboard(MainState& state, int index) {
    state.keyboards.SetSelected(index);
    ApplyKeyboardSelection(state);
}

}  // namespace vorn::state
