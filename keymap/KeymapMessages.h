// The texts the keymap procedures alone show, exactly as the user sees them (some end
// without a full stop, and that is how they have always read). The texts they share with the
// script download are in state/Messages.h.
#pragma once

namespace vorn::keymap::message {

inline constexpr const char* kPropertyFailed = "Fail to read the property from the keyboard";
inline constexpr const char* kOpenFailed = "Fail to open the selected file.";
inline constexpr const char* kInvalidFormat = "Invalid file format.";
inline constexpr const char* kOtherModel = "The selected file is not for the selected model.";
inline constexpr const char* kEraseFailed = "Fail to erase the existing keymap";
inline constexpr const char* kReadFileFailed = "Fail to read the selected file.";
inline constexpr const char* kDownloadFailed =
    "Fail to download the selected file to the keyboard.";
inline constexpr const char* kDownloadDone = "Download successfully.";
inline constexpr const char* kWriteFileFailed = "Fail to write to the file.";
inline constexpr const char* kUploadFailed = "Upload failed.";
inline constexpr const char* kUploadDone = "Upload successfully.";

// Before a download erases the keyboard, its keymap is saved; when that cannot be done the
// window asks, and vornctl refuses.
inline constexpr const char* kBackupQuestion =
    "The keyboard's current keymap could not be saved first. Download without a backup?";
inline constexpr const char* kBackupRefused =
    "The keymap was not downloaded: the keyboard's current keymap could not be saved first.";

}  // namespace vorn::keymap::message
