// Keymap files against the header check and the keymap download. Input layout:
//
//   bytes 0-1   the keyboard's block size S, big-endian, taken % 301 (so also above 252)
//   byte 2      its block count N, % 17
//   byte 3      a fault of the keyboard (% 4): none, GetProperty refused, erase refused,
//               first block write refused
//   the rest    the keymap file
//
// The header check must give the verdict the file format calls for and leave the file at
// the first block. The download must end with the one message the file and the keyboard
// call for, and a file that fails any check (header, length, block size) must leave the
// keyboard exactly as it was: no erase, no write.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/harness/ByteReader.h"
#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"
#include "fuzz/harness/ScratchDir.h"
#include "hid/Discovery.h"
#include "hid/Link.h"
#include "keymap/KeymapFile.h"
#include "keymap/KeymapTransfer.h"
#include "sim/SimHidPlatform.h"
#include "state/KeyboardList.h"
#include "tests/support/ScriptedUser.h"

namespace vorn::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;
using keymap::HeaderCheck;
using keymap::KeymapHeader;

// A model of the table that takes no scripts, as most do.
constexpr std::uint16_t kVendor = 0x0F39;
constexpr std::uint16_t kProduct = 0x1085;
constexpr std::size_t kHeaderSize = 85;
constexpr std::size_t kMaxBlockSize = 252;
constexpr std::uint8_t kRefused = 0x81;

enum Fault { kNoFault, kPropertyRefused, kEraseRefused, kWriteRefused };

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The verdict of the file format's header check, worked out from the bytes.
HeaderCheck ExpectedCheck(std::span<const std::uint8_t> file, const KeymapHeader& keyboard) {
    static constexpr std::uint8_t kMagic[8] = {0, 0, 'V', 'O', 'R', 'N', 0, 0};
    if (file.size() < kHeaderSize || std::memcmp(file.data(), kMagic, 8) != 0) {
        return HeaderCheck::kInvalidFormat;
    }
    const KeymapHeader header{Le32(file, 8), Le32(file, 12), Le32(file, 16), file[20]};
    return header == keyboard ? HeaderCheck::kAccepted : HeaderCheck::kOtherModel;
}

std::unique_ptr<std::FILE, FileCloser> OpenBytes(std::span<const std::uint8_t> file) {
    // fmemopen refuses an empty buffer; an empty file reads the same.
    std::FILE* f = file.empty()
                       ? std::fopen("/dev/null", "rb")
                       : fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
    return std::unique_ptr<std::FILE, FileCloser>(f);
}

void CheckHeaderAlone(std::span<const std::uint8_t> file, const KeymapHeader& keyboard) {
    const HeaderCheck expected = ExpectedCheck(file, keyboard);
    const auto checked = OpenBytes(file);
    Check(checked != nullptr, "cannot open the keymap bytes as a file");
    if (!checked) return;
    Check(keymap::CheckHeader(checked.get(), keyboard) == expected,
          "header check verdict is wrong");
    if (expected == HeaderCheck::kAccepted) {
        Check(std::ftell(checked.get()) == static_cast<long>(kHeaderSize),
              "an accepted header does not leave the file at the first block");
    }

    const auto read = OpenBytes(file);
    KeymapHeader header{0xDEADBEEF, 0xDEADBEEF, 0xDEADBEEF, 0xEE};
    const KeymapHeader untouched = header;
    const HeaderCheck got = keymap::ReadHeader(read.get(), header);
    Check((got == HeaderCheck::kInvalidFormat) == (expected == HeaderCheck::kInvalidFormat),
          "ReadHeader and the header check disagree about the format");
    if (got == HeaderCheck::kInvalidFormat) {
        Check(header == untouched, "a refused header changed the caller's fields");
        return;
    }
    // Writer and reader are mirror images: the fields go back to the same bytes, with the
    // reserved area as the writer leaves it.
    const keymap::HeaderBytes encoded = keymap::EncodeHeader(header);
    Bytes original(file.begin(), file.begin() + kHeaderSize);
    std::fill(original.begin() + 21, original.end(), 0);
    Check(std::equal(encoded.begin(), encoded.end(), original.begin()),
          "EncodeHeader does not give back the header ReadHeader read");
}

// The one message a download of `file` into this keyboard must end with.
const char* ExpectedMessage(std::span<const std::uint8_t> file, const KeymapHeader& keyboard,
                            Fault fault, bool& touchesKeymap) {
    touchesKeymap = false;
    if (fault == kPropertyRefused) return "Fail to read the property from the keyboard";
    const HeaderCheck check = ExpectedCheck(file, keyboard);
    if (check == HeaderCheck::kInvalidFormat) return "Invalid file format.";
    if (check == HeaderCheck::kOtherModel)
        return "The selected file is not for the selected model.";
    if (file.size() < kHeaderSize + std::size_t{keyboard.blockSize} * keyboard.blockCount) {
        return "Fail to read the selected file.";
    }
    if (keyboard.blockSize > kMaxBlockSize)
        return "Fail to download the selected file to the keyboard.";
    touchesKeymap = true;
    if (fault == kEraseRefused) return "Fail to erase the existing keymap";
    if (fault == kWriteRefused && keyboard.blockCount > 0) {
        return "Fail to download the selected file to the keyboard.";
    }
    return "Download successfully.";
}

Bytes BlockPattern(std::size_t size, int block) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(block * 37 + i * 11);
    return bytes;
}

std::vector<Bytes> Keymap(const sim::SimKeyboard& keyboard) {
    std::vector<Bytes> blocks;
    for (int k = 1; k <= keyboard.BlockCount(); ++k) {
        blocks.push_back(keyboard.Block(static_cast<std::uint8_t>(k)));
    }
    return blocks;
}

void Download(std::span<const std::uint8_t> file, const KeymapHeader& keyboard, Fault fault) {
    sim::SimHidPlatform platform;
    sim::SimHidPlatform::DeviceDescription desc;
    desc.path = "/dev/hidraw-fuzz";
    desc.vendorId = kVendor;
    desc.productId = kProduct;
    sim::SimKeyboard& board = platform.Attach(desc);
    board.SetGeometry(static_cast<std::uint16_t>(keyboard.blockSize), keyboard.blockCount);
    for (int k = 1; k <= keyboard.blockCount; ++k) {
        board.SetBlock(static_cast<std::uint8_t>(k), BlockPattern(keyboard.blockSize, k));
    }
    if (fault == kPropertyRefused) board.FaultCommand(0x2C, {.status = kRefused});
    if (fault == kEraseRefused) board.FaultCommand(0x29, {.status = kRefused});
    if (fault == kWriteRefused) board.FaultCommand(0x2A, {.status = kRefused});

    test::ScriptedUser user;
    hid::Link link(platform, &user);
    state::MainState state;
    state::EnumerateKeyboards(link, state.devices, state.keyboards);
    Check(state.keyboards.Count() == 1, "the simulated keyboard is not listed");
    state.keyboards.SetSelected(0);

    static const std::string path = ScratchFile("keymap.dat");
    Check(WriteFile(path, file), "cannot write the keymap file");
    user.AnswerFile(path);
    const std::vector<Bytes> before = Keymap(board);
    board.ClearLog();
    keymap::KeymapDownload(state, link, user);

    bool touchesKeymap = false;
    const char* expected = ExpectedMessage(file, keyboard, fault, touchesKeymap);
    const std::vector<std::string> messages = user.Messages();
    Check(messages.size() == 1, "a download must end with exactly one message");
    if (messages.size() == 1 && messages[0] != expected) {
        Check(false, "download ended with \"" + messages[0] + "\" instead of \"" + expected + "\"");
    }
    const std::vector<std::uint8_t> commands = board.Commands();
    const bool wrote = std::find(commands.begin(), commands.end(), 0x29) != commands.end() ||
                       std::find(commands.begin(), commands.end(), 0x2A) != commands.end();
    if (!touchesKeymap) {
        Check(!wrote, "the keymap was erased or written for a file that fails its checks");
        Check(Keymap(board) == before, "the keymap changed for a file that fails its checks");
    }
    if (std::string(expected) == "Download successfully.") {
        std::vector<Bytes> blocks;
        for (std::size_t k = 0; k < keyboard.blockCount; ++k) {
            const auto at =
                file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + k * keyboard.blockSize);
            blocks.emplace_back(at, at + keyboard.blockSize);
        }
        Check(Keymap(board) == blocks, "the keyboard does not hold the file's blocks");
    }
}

}  // namespace

void RunKeymapInput(std::span<const std::uint8_t> input) {
    ByteReader in(input);
    KeymapHeader keyboard;
    keyboard.vendorId = kVendor;
    keyboard.productId = kProduct;
    keyboard.blockSize = in.Word() % 301;
    keyboard.blockCount = static_cast<std::uint8_t>(in.Byte() % 17);
    const Fault fault = static_cast<Fault>(in.Byte() % 4);
    const std::span<const std::uint8_t> file = in.Rest();
    CheckHeaderAlone(file, keyboard);
    Download(file, keyboard, fault);
}

}  // namespace vorn::fuzz
