#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "keymap/KeymapBackup.h"
#include "keymap/KeymapFile.h"
#include "keymap/KeymapMessages.h"
#include "keymap/KeymapSession.h"
#include "keymap/KeymapTransfer.h"
#include "state/KeyboardList.h"

namespace vorn::keymap {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Blocks 1 to N, S bytes each, back to back; nothing when the file ends inside one. Grown
// block by block, so a short file costs no more memory than it holds. One spare byte at
// the end keeps data() a valid pointer when there are no block bytes at all.
std::optional<Bytes> ReadBlocks(std::FILE* file, const KeymapHeader& keyboard) {
    const std::size_t size = keyboard.blockSize;
    Bytes blocks(1);
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        const std::size_t offset = blocks.size() - 1;
        blocks.resize(offset + size + 1);
        if (std::fread(blocks.data() + offset, 1, size, file) != size) return std::nullopt;
    }
    return blocks;
}

const std::uint8_t* BlockData(const Bytes& blocks, const KeymapHeader& keyboard, int k) {
    return blocks.data() + std::size_t{keyboard.blockSize} * static_cast<std::size_t>(k - 1);
}

// The first block the keyboard did not take, or 0 when it took them all.
int WriteBlocks(hid::Link& link, const KeymapHeader& keyboard, const Bytes& blocks) {
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        const std::uint8_t status = link.WriteKeymapBlock(
            keyboard.blockSize, static_cast<std::uint8_t>(k), BlockData(blocks, keyboard, k));
        if (status != hid::HID_OK) return k;
    }
    return 0;
}

// One keymap block from the keyboard: true when it came whole, S bytes.
bool ReadBlock(hid::Link& link, const KeymapHeader& keyboard, int k,
               std::array<std::uint8_t, format::kMaxBlockSize>& block) {
    std::uint8_t length = 0;
    const std::uint8_t status =
        link.ReadKeymapBlock(block.data(), static_cast<std::uint8_t>(k), length);
    return status == hid::HID_OK && std::uint32_t{length} == keyboard.blockSize;
}

// The keyboard's keymap, blocks 1 to N back to back (the upload's commands); nothing, with
// the reason, when a block cannot be read.
std::optional<Bytes> ReadKeyboard(hid::Link& link, const KeymapHeader& keyboard,
                                  std::string& problem) {
    std::array<std::uint8_t, format::kMaxBlockSize> block{};
    Bytes blocks;
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        if (!ReadBlock(link, keyboard, k, block)) {
            problem = "The keyboard did not hand over its keymap (block " + std::to_string(k) +
                      " could not be read).";
            return std::nullopt;
        }
        blocks.insert(blocks.end(), block.begin(), block.begin() + keyboard.blockSize);
    }
    return blocks;
}

// Reads every block back and compares it with what was written: empty when the keyboard
// holds exactly `blocks`, otherwise what is wrong.
std::string CompareKeyboard(hid::Link& link, const KeymapHeader& keyboard, const Bytes& blocks) {
    std::array<std::uint8_t, format::kMaxBlockSize> block{};
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        if (!ReadBlock(link, keyboard, k, block)) {
            return "Block " + std::to_string(k) + " could not be read back from the keyboard.";
        }
        if (!std::equal(block.begin(), block.begin() + keyboard.blockSize,
                        BlockData(blocks, keyboard, k))) {
            return "Block " + std::to_string(k) +
                   " read back from the keyboard differs from what was written.";
        }
    }
    return {};
}

// Erases the keymap and writes `blocks`, then checks them: true when the keyboard holds them.
bool Program(hid::Link& link, const KeymapHeader& keyboard, const Bytes& blocks) {
    return link.EraseKeymap() == hid::HID_OK && WriteBlocks(link, keyboard, blocks) == 0 &&
           CompareKeyboard(link, keyboard, blocks).empty();
}

std::string Sentence(const std::string& first, const std::string& second) {
    return first.empty() ? second : first + " " + second;
}

// The keyboard's keymap as it was before the erase, and the file that keeps it.
struct Backup {
    Bytes blocks;
    std::string path;
};

// The download after the common beginning, with the keymap saved before the erase and
// written back when anything fails after it.
class GuardedDownload {
  public:
    GuardedDownload(state::MainState& state, state::UserSeam& user, const DownloadOptions& options)
        : state_(state), user_(user), options_(options) {}

    Ending operator()(hid::Link& link, const KeymapSession& session) {
        using state::Outcome;
        std::optional<Bytes> blocks;
        if (const std::optional<Ending> refused = ReadFile(session, blocks)) return *refused;
        std::optional<Backup> backup;
        if (options_.backup != BackupPolicy::kSkip) {
            std::string problem;
            backup = MakeBackup(link, session, problem);
            if (!backup) {
                if (const std::optional<Ending> ended = WithoutBackup(problem)) return *ended;
            }
        }
        const KeymapHeader& keyboard = session.keyboard;
        if (link.EraseKeymap() != hid::HID_OK) {
            return Recover(link, session, backup, message::kEraseFailed, {});
        }
        if (const int k = WriteBlocks(link, keyboard, *blocks); k != 0) {
            return Recover(link, session, backup, message::kDownloadFailed,
                           "Block " + std::to_string(k) + " was not taken by the keyboard.");
        }
        if (std::string difference =
                options_.verify ? CompareKeyboard(link, keyboard, *blocks) : std::string();
            !difference.empty()) {
            return Recover(link, session, backup, message::kDownloadFailed, difference);
        }
        if (!backup) return {message::kDownloadDone, Outcome::kDone};
        return {message::kDownloadDone, Outcome::kDone,
                "The keyboard's earlier keymap was saved in " + backup->path + "."};
    }

  private:
    // Header check and blocks; the ending when the file is refused.
    static std::optional<Ending> ReadFile(const KeymapSession& session,
                                          std::optional<Bytes>& blocks) {
        using state::Outcome;
        InputFile file(std::fopen(session.path.c_str(), "rb"));
        if (!file) return Ending{message::kOpenFailed, Outcome::kFailed};
        const HeaderCheck check = CheckHeader(file.get(), session.keyboard);
        if (check != HeaderCheck::kAccepted)
            return Ending{HeaderCheckMessage(check), Outcome::kRefused};
        blocks = ReadBlocks(file.get(), session.keyboard);
        if (!blocks) return Ending{message::kReadFileFailed, Outcome::kRefused};
        // The write command's count is one byte: a larger block could only be sent cut short.
        if (session.keyboard.blockSize > format::kMaxBlockSize) {
            return Ending{message::kDownloadFailed, Outcome::kRefused};
        }
        return std::nullopt;
    }

    std::optional<Backup> MakeBackup(hid::Link& link, const KeymapSession& session,
                                     std::string& problem) const {
        std::optional<Bytes> blocks = ReadKeyboard(link, session.keyboard, problem);
        if (!blocks) return std::nullopt;
        const BackupStore store(options_.backupFolder);
        const std::optional<std::string> path =
            store.Save(state_.keyboards.Text(session.index), session.keyboard, *blocks, problem);
        if (!path) return std::nullopt;
        return Backup{std::move(*blocks), *path};
    }

    // Nothing when the user agreed to go on without a backup; otherwise how it ends, with
    // nothing erased.
    std::optional<Ending> WithoutBackup(const std::string& problem) {
        using state::Outcome;
        if (options_.backup == BackupPolicy::kRequire) {
            return Ending{message::kBackupRefused, Outcome::kRefused,
                          Sentence(problem,
                                   "Nothing was erased. To download without a backup, "
                                   "ask for it (vornctl: --no-backup).")};
        }
        const state::UserMessage question{
            message::kBackupQuestion,
            Sentence(problem,
                     "Without a backup, the keyboard's current keymap is lost if the "
                     "download fails half-way."),
            state::MessageTone::kWarning};
        if (user_.AskYesNo(question)) return std::nullopt;
        return Ending{nullptr, Outcome::kCancelled};
    }

    Ending Recover(hid::Link& link, const KeymapSession& session,
                   const std::optional<Backup>& backup, const char* message,
                   const std::string& cause) const {
        using state::Outcome;
        if (!backup) {
            return {message, Outcome::kFailed,
                    Sentence(cause,
                             "No backup had been made, so the keyboard's earlier keymap "
                             "could not be written back: its keymap may be erased or "
                             "half-written.")};
        }
        if (Restore(link, session, backup->blocks)) {
            return {message, Outcome::kFailed,
                    Sentence(cause,
                             "The keyboard's earlier keymap was written back: it is as it "
                             "was before the download.")};
        }
        return {message, Outcome::kFailed,
                Sentence(cause,
                         "Writing the keyboard's earlier keymap back failed too. It is "
                         "saved in " +
                             backup->path +
                             "; download that file into the keyboard once it answers "
                             "again (Keymap Download, or vornctl keymap-restore).")};
    }

    // The earlier keymap back into the keyboard, tried again after a pause (and over a new
    // handle) for a keyboard that reset itself or was briefly gone.
    bool Restore(hid::Link& link, const KeymapSession& session, const Bytes& blocks) const {
        for (int attempt = 0; attempt < options_.restoreTries; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(options_.restorePause);
            const bool reopen = attempt > 0 || !link.IsOpen();
            if (reopen && !state::OpenKeyboard(link, state_.devices, session.index)) continue;
            if (Program(link, session.keyboard, blocks)) return true;
        }
        return false;
    }

    state::MainState& state_;
    state::UserSeam& user_;
    const DownloadOptions& options_;
};

}  // namespace

state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user,
                              const DownloadOptions& options) {
    GuardedDownload download(state, user, options);
    return RunKeymapTransfer(state, link, user, TransferKind::kDownload,
                             [&download](hid::Link& through, const KeymapSession& session) {
                                 return download(through, session);
                             });
}

state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user) {
    return KeymapDownload(state, link, user, DownloadOptions{});
}

}  // namespace vorn::keymap
