// How the procedures talk to the person at the keyboard. The program's window implements
// it with modal Qt dialogs; tests implement it with scripted answers and record what was
// shown. Every call may come from any thread (the script download runs on a worker);
// an implementation that owns widgets marshals the call to its GUI thread and returns
// only when the person has answered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hid/MessageSink.h"

namespace vorn::state {

// Flags of a file dialog, with the values of the Windows common dialog.
inline constexpr std::uint32_t kOfnFileMustExist = 0x00001000;
inline constexpr std::uint32_t kOfnExplorer = 0x00080000;

struct FileDialogRequest {
    std::string defaultExtension;  // e.g. "*.dat"
    std::string filter;            // e.g. "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||"
    std::uint32_t flags = 0;
};

class UserSeam : public hid::MessageSink {
  public:
    // The full path the person chose, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
};

}  // namespace vorn::state
