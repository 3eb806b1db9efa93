// Keymap procedures against simulated keyboards: a platform with keyboards plugged in, a
// link, the main window's state, a scripted user and a folder for the files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/Discovery.h"
#include "hid/Link.h"
#include "keymap/KeymapFile.h"
#include "keymap/KeymapTransfer.h"
#include "sim/SimHidPlatform.h"
#include "sim/SimKeyboard.h"
#include "state/KeyboardList.h"
#include "state/MainState.h"
#include "state/Outcome.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/TempDir.h"

namespace vorn::keymap {

using Bytes = std::vector<std::uint8_t>;

// Orvane Pro, the model of the documented file example.
inline constexpr std::uint16_t kVendor = 0x0F39;
inline constexpr std::uint16_t kProduct = 0x1085;

inline constexpr std::uint8_t kCmdGetProperty = 0x2C;
inline constexpr std::uint8_t kCmdReadKeymap = 0x2B;
inline constexpr std::uint8_t kCmdEraseKeymap = 0x29;
inline constexpr std::uint8_t kCmdWriteKeymap = 0x2A;

// A status no link failure uses: the keyboard's own refusal.
inline constexpr std::uint8_t kKeyboardRefuses = 0x12;

// Both procedures have one shape; tests of what they share run over both.
using Procedure = state::Outcome (*)(state::MainState&, hid::Link&, state::UserSeam&);

class KeymapFixture : public ::testing::Test {
  protected:
    using Strings = std::vector<std::string>;

    sim::SimHidPlatform platform;
    test::ScriptedUser user;
    hid::Link link{platform, &user};
    // For the tests that let a command time out.
    hid::Link quickLink{platform, &user, std::chrono::milliseconds(150)};
    state::MainState state;
    test::TempDir dir;

    sim::SimKeyboard& Plug(const std::string& path, std::uint16_t productId = kProduct) {
        sim::SimHidPlatform::DeviceDescription desc;
        desc.path = path;
        desc.vendorId = kVendor;
        desc.productId = productId;
        return platform.Attach(desc);
    }
    void ListKeyboards() { state::EnumerateKeyboards(link, state.devices, state.keyboards); }
    // One keyboard plugged in, listed and selected, with a keymap of its own.
    sim::SimKeyboard& PlugSelected(std::uint16_t blockSize = 128, std::uint8_t blockCount = 3) {
        sim::SimKeyboard& keyboard = Plug("/dev/hidraw-sim0");
        keyboard.SetGeometry(blockSize, blockCount);
        FillKeymap(keyboard, 1);
        ListKeyboards();
        state.keyboards.SetSelected(0);
        return keyboard;
    }

    // A download that keeps its backups in the test's folder and writes them back without
    // the program's long pause.
    DownloadOptions Guarded(BackupPolicy policy = BackupPolicy::kAsk) const {
        DownloadOptions options;
        options.backup = policy;
        options.backupFolder = dir.File("backups");
        options.restorePause = std::chrono::milliseconds(50);
        return options;
    }

    // Bytes that differ from block to block and from seed to seed.
    static Bytes Pattern(std::size_t size, int seed) {
        Bytes bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + i / 256);
        }
        return bytes;
    }
    static void FillKeymap(sim::SimKeyboard& keyboard, int seed) {
        for (int k = 1; k <= keyboard.BlockCount(); ++k) {
            keyboard.SetBlock(static_cast<std::uint8_t>(k),
                              Pattern(keyboard.BlockSize(), seed * 16 + k));
        }
    }
    // Blocks 1 to N of the keyboard, back to back.
    static Bytes KeymapOf(const sim::SimKeyboard& keyboard) {
        Bytes bytes;
        for (int k = 1; k <= keyboard.BlockCount(); ++k) {
            const Bytes block = keyboard.Block(static_cast<std::uint8_t>(k));
            bytes.insert(bytes.end(), block.begin(), block.end());
        }
        return bytes;
    }
    // A keymap file for this keyboard's model and geometry holding `blocks`.
    static Bytes FileFor(const sim::SimKeyboard& keyboard, const Bytes& blocks) {
        const HeaderBytes header =
            EncodeHeader({kVendor, kProduct, keyboard.BlockSize(), keyboard.BlockCount()});
        Bytes bytes(header.begin(), header.end());
        bytes.insert(bytes.end(), blocks.begin(), blocks.end());
        return bytes;
    }
    static bool Received(const sim::SimKeyboard& keyboard, std::uint8_t command) {
        const std::vector<std::uint8_t> commands = keyboard.Commands();
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    }
    static sim::SimKeyboard::ReplyFault Status(std::uint8_t status) {
        sim::SimKeyboard::ReplyFault fault;
        fault.status = status;
        return fault;
    }
    static sim::SimKeyboard::ReplyFault NoReply() {
        sim::SimKeyboard::ReplyFault fault;
        fault.noReply = true;
        return fault;
    }
};

}  // namespace vorn::keymap
