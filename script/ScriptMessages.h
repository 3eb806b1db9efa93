// The texts the script download alone shows, exactly as the user sees them (typos and the
// line breaks included). Those it shares with the keymap procedures are in
// state/Messages.h; a compile failure shows the compiler's own message.
#pragma once

namespace vorn::script::message {

inline constexpr const char* kNotSupported = "Not supported for this model.";
inline constexpr const char* kSelectSlot = "Please select a slot first.";
inline constexpr const char* kReadFailed = "Fail to read the intermediate file.\n";
// printf formats: the keyboard's status byte, and for kWriteFailed the sequence number first.
inline constexpr const char* kEraseFailed = "Fail to erase the selected slot.\nError Code: 0x%02X.";
inline constexpr const char* kBeginFailed =
    "Fail to start programming the selected slot.\nError Code: 0x%02X.";
inline constexpr const char* kTooLong = "Exceed the max size for one isntruction.";
inline constexpr const char* kWriteFailed =
    "Fail to program instruction seq #%d.\nError Code: 0x%02X.";
inline constexpr const char* kDone = "Download the scrip file successfully.";

}  // namespace vorn::script::message
