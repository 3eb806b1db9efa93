// A user seam for tests: the file dialogs answer from a script, and every message and
// dialog request is recorded in the order it came.
//
//   vorn::test::ScriptedUser user;
//   user.AnswerFile("/tmp/x/keys.dat");   // the next file dialog picks this path
//   user.CancelFile();                    // the one after that is cancelled
//   KeymapUpload(state, link, user);
//   EXPECT_EQ(user.Messages(), (std::vector<std::string>{"Upload successfully."}));
//
// A file dialog with no scripted answer left is cancelled. Every member may be called from
// any thread (a script download talks to it from its worker); WaitForMessages lets a test
// wait for a worker's messages. The message hook runs on the thread that shows the message,
// outside the lock, so it may call back into the ScriptedUser, or act while the message is
// "up" (the caller is blocked until the hook returns, as behind a modal box).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "state/UserSeam.h"

namespace vorn::test {

enum class DialogKind { kOpen, kSave };

struct DialogRecord {
    DialogKind kind = DialogKind::kOpen;
    std::string defaultExtension;
    std::string filter;
    std::uint32_t flags = 0;
};

class ScriptedUser : public state::UserSeam {
  public:
    using MessageHook = std::function<void(const std::string&)>;

    // The next file dialog (open or save) answers with `path`.
    void AnswerFile(std::string path) { Queue(std::move(path)); }
    // The next file dialog is cancelled.
    void CancelFile() { Queue(std::nullopt); }
    // Called with each message as it is shown; pass {} to remove.
    void SetMessageHook(MessageHook hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }

    std::vector<std::string> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<DialogRecord> Dialogs() const {
        std::lock_guard lock(mutex_);
        return dialogs_;
    }
    // Scripted answers not yet taken by a dialog.
    std::size_t PendingAnswers() const {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }
    // True once at least `count` messages have been shown, false if `timeout` passes first.
    bool WaitForMessages(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) const {
        std::unique_lock lock(mutex_);
        return shown_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
    }

    // Every message in full: text, detail and tone.
    std::vector<state::UserMessage> Told() const {
        std::lock_guard lock(mutex_);
        return told_;
    }
    // The next Yes/No question is answered Yes (or No); unscripted questions get No.
    void AnswerQuestion(bool yes) {
        std::lock_guard lock(mutex_);
        questionAnswers_.push_back(yes);
    }
    std::vector<state::UserMessage> Questions() const {
        std::lock_guard lock(mutex_);
        return questions_;
    }

    void Tell(const state::UserMessage& message) override {
        MessageHook hook;
        {
            std::lock_guard lock(mutex_);
            messages_.push_back(message.text);
            told_.push_back(message);
            hook = hook_;
        }
        shown_.notify_all();
        if (hook) hook(message.text);
    }
    bool AskYesNo(const state::UserMessage& question) override {
        std::lock_guard lock(mutex_);
        questions_.push_back(question);
        if (questionAnswers_.empty()) return false;
        const bool yes = questionAnswers_.front();
        questionAnswers_.pop_front();
        return yes;
    }
    std::optional<std::string> AskOpenFile(const state::FileDialogRequest& request) override {
        return Answer(DialogKind::kOpen, request);
    }
    std::optional<std::string> AskSaveFile(const state::FileDialogRequest& request) override {
        return Answer(DialogKind::kSave, request);
    }

  private:
    void Queue(std::optional<std::string> answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(answer));
    }
    std::optional<std::string> Answer(DialogKind kind, const state::FileDialogRequest& request) {
        std::lock_guard lock(mutex_);
        dialogs_.push_back({kind, request.defaultExtension, request.filter, request.flags});
        if (answers_.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable shown_;
    std::deque<std::optional<std::string>> answers_;
    std::vector<std::string> messages_;
    std::vector<state::UserMessage> told_;
    std::deque<bool> questionAnswers_;
    std::vector<state::UserMessage> questions_;
    std::vector<DialogRecord> dialogs_;
    MessageHook hook_;
};

}  // namespace vorn::test
