#include "cli/vornkbd/KeymapStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "hid/Discovery.h"
#include "hid/Link.h"
#include "hid/linux/SystemError.h"
#include "keymap/KeymapTransfer.h"
#include "state/KeyboardList.h"
#include "state/MainState.h"

namespace vorn::kbd {

namespace {

// Answers the procedure's file dialog with the one path and keeps its messages.
class FileAnswer : public state::UserSeam {
  public:
    explicit FileAnswer(std::string path) : path_(std::move(path)) {}

    void Tell(const state::UserMessage& message) override { last_ = message.text; }
    // The keyboard's own store saves and restores its file without asking anybody.
    bool AskYesNo(const state::UserMessage&) override { return false; }
    std::optional<std::string> AskOpenFile(const state::FileDialogRequest&) override {
        return path_;
    }
    std::optional<std::string> AskSaveFile(const state::FileDialogRequest&) override {
        return path_;
    }
    const std::string& Last() const { return last_; }

  private:
    std::string path_;
    std::string last_;
};

using Procedure = state::Outcome (*)(state::MainState&, hid::Link&, state::UserSeam&);

// Empty when the procedure was done; otherwise what it said.
std::string Run(hid::HidPlatform& platform, const std::string& path, Procedure procedure) {
    FileAnswer user(path);
    hid::Link link(platform, &user);
    state::MainState state;
    state::EnumerateKeyboards(link, state.devices, state.keyboards);
    state.keyboards.SetSelected(0);
    if (procedure(state, link, user) == state::Outcome::kDone) return {};
    return user.Last().empty() ? std::string("the procedure ended without a word") : user.Last();
}

// The keyboard's own store fills itself from its file: there is no earlier keymap anyone
// could want back, and nothing goes into the user's backups.
state::Outcome DownloadUnguarded(state::MainState& state, hid::Link& link, state::UserSeam& user) {
    keymap::DownloadOptions options;
    options.backup = keymap::BackupPolicy::kSkip;
    return keymap::KeymapDownload(state, link, user, options);
}

}  // namespace

std::string KeymapStore::Load(const std::string& path) {
    return Run(platform_, path, &DownloadUnguarded);
}

std::string KeymapStore::Save(const std::string& path) {
    return Run(platform_, path, &keymap::KeymapUpload);
}

std::optional<keymap::KeymapHeader> KeymapStore::Header(const std::string& path,
                                                        std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = hid::SystemError("open " + path, errno);
        return std::nullopt;
    }
    keymap::KeymapHeader header;
    const keymap::HeaderCheck check = keymap::ReadHeader(file, header);
    std::fclose(file);
    if (check == keymap::HeaderCheck::kAccepted) return header;
    error = path + ": " + keymap::HeaderCheckMessage(check);
    return std::nullopt;
}

}  // namespace vorn::kbd
