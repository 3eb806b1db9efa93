#include <array>
#include <cstdint>

#include "keymap/KeymapFile.h"
#include "keymap/KeymapMessages.h"
#include "keymap/KeymapSession.h"
#include "keymap/KeymapTransfer.h"
#include "keymap/PendingFile.h"

namespace vorn::keymap {

namespace {

enum class SaveResult { kSaved, kKeyboardFailed, kFileFailed };

// Blocks 1 to N from the keyboard into the file, stopping at the first one that fails. A
// block is good only when it is exactly S bytes long.
SaveResult SaveBlocks(hid::Link& link, const KeymapHeader& keyboard, PendingFile& file) {
    std::array<std::uint8_t, format::kMaxBlockSize> block{};
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        std::uint8_t length = 0;
        const std::uint8_t status =
            link.ReadKeymapBlock(block.data(), static_cast<std::uint8_t>(k), length);
        if (status != hid::HID_OK || std::uint32_t{length} != keyboard.blockSize) {
            return SaveResult::kKeyboardFailed;
        }
        if (!file.Write(block.data(), length)) return SaveResult::kFileFailed;
    }
    return SaveResult::kSaved;
}

// The upload after the common beginning; returns the message that ends it and how.
// Everything is written under a temporary name that replaces the chosen file only when
// complete, so a failure leaves an earlier file of that name untouched and no half-written
// one behind.
Ending Upload(hid::Link& link, const KeymapSession& session) {
    using state::Outcome;
    PendingFile file(session.path);
    if (!file.Open()) return {message::kOpenFailed, Outcome::kFailed};
    if (!WriteHeader(file.Handle(), session.keyboard)) {
        return {message::kWriteFileFailed, Outcome::kFailed};
    }
    switch (SaveBlocks(link, session.keyboard, file)) {
        case SaveResult::kKeyboardFailed:
            return {message::kUploadFailed, Outcome::kFailed};
        case SaveResult::kFileFailed:
            return {message::kWriteFileFailed, Outcome::kFailed};
        case SaveResult::kSaved:
            break;
    }
    if (!file.Commit()) return {message::kWriteFileFailed, Outcome::kFailed};
    return {message::kUploadDone, Outcome::kDone};
}

}  // namespace

state::Outcome KeymapUpload(state::MainState& state, hid::Link& link, state::UserSeam& user) {
    return RunKeymapTransfer(state, link, user, TransferKind::kUpload, &Upload);
}

}  // namespace vorn::keymap
