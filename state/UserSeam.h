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

// How a message box looks: the information icon for news, the warning icon for a failure
// or a refusal.
enum class MessageTone { kInformation, kWarning };

// A message box's main text (the words a user or a script relies on, kept exactly), and
// what we add below it: why it happened and what to do next. An empty detail adds nothing.
struct UserMessage {
    std::string text;
    std::string detail;
    MessageTone tone = MessageTone::kInformation;
};

class UserSeam : public hid::MessageSink {
  public:
    // A message box with an OK button, captioned with the program's name.
    virtual void Tell(const UserMessage& message) = 0;
    // A question with Yes and No buttons, No the default (and the answer when the box is
    // closed some other way). True for Yes.
    virtual bool AskYesNo(const UserMessage& question) = 0;

    // The plain message of the link and of the procedures: text only, as information.
    void ShowMessage(const std::string& text) final {
        Tell(UserMessage{text, {}, MessageTone::kInformation});
    }

    // The full path the person chose, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
};

}  // namespace vorn::state
