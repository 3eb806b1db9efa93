#include "cli/vornctl/CliUserSeam.h"

namespace vorn::cli {

CliUserSeam::CliUserSeam(CliConsole& console, std::string path)
    : console_(console), path_(std::move(path)) {}

void CliUserSeam::Tell(const state::UserMessage& message) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message.text);
    }
    console_.Message(message.text);
    if (!message.detail.empty()) console_.Detail(message.detail);
}

bool CliUserSeam::AskYesNo(const state::UserMessage& question) {
    console_.Message(question.text);
    if (!question.detail.empty()) console_.Detail(question.detail);
    return answerYes_;
}

// The path was named on the command line; whether it exists is for the procedure to find
// out, with its own message, as after a dialog that let the name through.
std::optional<std::string> CliUserSeam::AskOpenFile(const state::FileDialogRequest&) {
    return path_;
}

std::optional<std::string> CliUserSeam::AskSaveFile(const state::FileDialogRequest&) {
    return path_;
}

std::vector<std::string> CliUserSeam::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::string CliUserSeam::LastMessage() const {
    std::lock_guard lock(mutex_);
    return messages_.empty() ? std::string() : messages_.back();
}

}  // namespace vorn::cli
