// The texts that both the keymap and the script procedures show, exactly as the user sees
// them. Texts of one procedure alone live with it (keymap/KeymapMessages.h,
// script/ScriptMessages.h).
#pragma once

namespace vorn::state::message {

inline constexpr const char* kPlugKeyboard = "Please plug a VORN keyboard first.";
inline constexpr const char* kSelectModel = "Please select a model first.";
inline constexpr const char* kInitFailed = "Fail to init.";

}  // namespace vorn::state::message
