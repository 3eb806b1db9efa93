#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "keymap/KeymapFile.h"
#include "keymap/KeymapMessages.h"
#include "keymap/KeymapSession.h"
#include "keymap/KeymapTransfer.h"

namespace vorn::keymap {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Blocks 1 to N, S bytes each, back to back; nothing when the file ends inside one. Grown
// block by block, so a short file costs no more memory than it holds. One spare byte at
// the end keeps data() a valid pointer when there are no block bytes at all.
std::optional<std::vector<std::uint8_t>> ReadBlocks(std::FILE* file, const KeymapHeader& keyboard) {
    const std::size_t size = keyboard.blockSize;
    std::vector<std::uint8_t> blocks(1);
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        const std::size_t offset = blocks.size() - 1;
        blocks.resize(offset + size + 1);
        if (std::fread(blocks.data() + offset, 1, size, file) != size) return std::nullopt;
    }
    return blocks;
}

bool WriteBlocks(hid::Link& link, const KeymapHeader& keyboard,
                 const std::vector<std::uint8_t>& blocks) {
    const std::size_t size = keyboard.blockSize;
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        const std::uint8_t* data = blocks.data() + size * static_cast<std::size_t>(k - 1);
        if (link.WriteKeymapBlock(size, static_cast<std::uint8_t>(k), data) != hid::HID_OK) {
            return false;
        }
    }
    return true;
}

// The download after the common beginning; returns the message that ends it and how. The
// keymap is erased only once the whole file is known to be good and the keyboard able to
// take its blocks: a rejected, short or unwritable file leaves the keyboard's keymap in place.
Ending Download(hid::Link& link, const KeymapSession& session) {
    using state::Outcome;
    InputFile file(std::fopen(session.path.c_str(), "rb"));
    if (!file) return {message::kOpenFailed, Outcome::kFailed};
    const HeaderCheck check = CheckHeader(file.get(), session.keyboard);
    if (check != HeaderCheck::kAccepted) return {HeaderCheckMessage(check), Outcome::kRefused};
    const std::optional<std::vector<std::uint8_t>> blocks =
        ReadBlocks(file.get(), session.keyboard);
    file.reset();
    if (!blocks) return {message::kReadFileFailed, Outcome::kRefused};
    // The write command's count is one byte: a larger block could only be sent cut short.
    if (session.keyboard.blockSize > format::kMaxBlockSize) {
        return {message::kDownloadFailed, Outcome::kRefused};
    }
    if (link.EraseKeymap() != hid::HID_OK) return {message::kEraseFailed, Outcome::kFailed};
    if (!WriteBlocks(link, session.keyboard, *blocks)) {
        return {message::kDownloadFailed, Outcome::kFailed};
    }
    return {message::kDownloadDone, Outcome::kDone};
}

}  // namespace

state::Outcome KeymapDownload(state::MainState& state, hid::Link& link, state::UserSeam& user) {
    return RunKeymapTransfer(state, link, user, TransferKind::kDownload, &Download);
}

}  // namespace vorn::keymap
