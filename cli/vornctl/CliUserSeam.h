// The user seam of the command line: every file dialog is answered with the path given on
// the command line, every message goes to the console as the window would show it, and
// the messages are kept so that the exit status can follow the outcome.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/vornctl/CliConsole.h"
#include "state/UserSeam.h"

namespace vorn::cli {

class CliUserSeam : public state::UserSeam {
  public:
    // `console` must outlive the seam.
    CliUserSeam(CliConsole& console, std::string path);

    void Tell(const state::UserMessage& message) override;
    // Answered by the command line: `AnswerYes` says whether the user already agreed
    // (with an option); the question and its detail are printed either way.
    bool AskYesNo(const state::UserMessage& question) override;
    void AnswerYes(bool yes) { answerYes_ = yes; }
    std::optional<std::string> AskOpenFile(const state::FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const state::FileDialogRequest& request) override;
    // The path the file dialogs answer with from now on (keymap-restore finds its file
    // only once the keyboard is chosen).
    void SetPath(std::string path) { path_ = std::move(path); }

    std::vector<std::string> Messages() const;
    // The message that ended the procedure; empty when none was shown.
    std::string LastMessage() const;

  private:
    CliConsole& console_;
    std::string path_;
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::atomic<bool> answerYes_{false};
};

}  // namespace vorn::cli
