#include "KeymapFixture.h"
#include "keymap/KeymapTransfer.h"

namespace vorn::keymap {
namespace {

using state::Outcome;

class KeymapDownloadTest : public KeymapFixture {
  protected:
    std::string source = dir.File("keys.dat");

    // The keyboard, plugged in and selected, and a good file for it with another keymap.
    sim::SimKeyboard& Prepare(std::uint16_t blockSize = 128, std::uint8_t blockCount = 3) {
        sim::SimKeyboard& keyboard = PlugSelected(blockSize, blockCount);
        before = KeymapOf(keyboard);
        blocks = Pattern(before.size(), 7);
        test::WriteBytes(source, FileFor(keyboard, blocks));
        return keyboard;
    }
    state::Outcome Download(hid::Link& through) {
        user.AnswerFile(source);
        return KeymapDownload(state, through, user, Guarded());
    }
    state::Outcome Download() { return Download(link); }
    // Neither erased nor written: the keymap it had before the download.
    void ExpectUntouched(const sim::SimKeyboard& keyboard) {
        EXPECT_FALSE(Received(keyboard, kCmdEraseKeymap));
        EXPECT_FALSE(Received(keyboard, kCmdWriteKeymap));
        EXPECT_EQ(KeymapOf(keyboard), before);
    }

    Bytes before;  // the keyboard's keymap
    Bytes blocks;  // the file's blocks
};

TEST_F(KeymapDownloadTest, ErasesThenWritesEveryBlock) {
    sim::SimKeyboard& keyboard = Prepare(16, 2);
    EXPECT_EQ(Download(), Outcome::kDone);
    EXPECT_EQ(user.Messages(), Strings{"Download successfully."});
    EXPECT_EQ(KeymapOf(keyboard), blocks);
    // The keymap is saved first, and read back after the last block.
    EXPECT_EQ(keyboard.Commands(),
              (std::vector<std::uint8_t>{kCmdGetProperty, kCmdReadKeymap, kCmdReadKeymap,
                                         kCmdEraseKeymap, kCmdWriteKeymap, kCmdWriteKeymap,
                                         kCmdReadKeymap, kCmdReadKeymap}));
    const Bytes second = keyboard.Log()[5].packet;
    ASSERT_EQ(second.size(), 16u + 5u);
    EXPECT_EQ(Bytes(second.begin(), second.begin() + 4), (Bytes{0xEA, 19, kCmdWriteKeymap, 2}));
}

TEST_F(KeymapDownloadTest, HeaderOnlyFileErasesAndWritesNothing) {
    sim::SimKeyboard& keyboard = Prepare(128, 0);
    EXPECT_EQ(test::ReadBytes(source).size(), 85u);
    Download();
    EXPECT_EQ(user.Messages(), Strings{"Download successfully."});
    EXPECT_EQ(keyboard.Commands(), (std::vector<std::uint8_t>{kCmdGetProperty, kCmdEraseKeymap}));
}

TEST_F(KeymapDownloadTest, ReservedBytesAndTrailingBytesAreNotLookedAt) {
    sim::SimKeyboard& keyboard = Prepare();
    Bytes file = test::ReadBytes(source);
    std::fill(file.begin() + format::kReservedOffset, file.begin() + format::kHeaderSize, 0xEE);
    file.insert(file.end(), 300, 0x77);
    test::WriteBytes(source, file);
    Download();
    EXPECT_EQ(user.Messages(), Strings{"Download successfully."});
    EXPECT_EQ(KeymapOf(keyboard), blocks);
}

struct RefusedFileCase {
    const char* name;
    // Makes the good file for a 128 x 3 keyboard into the refused one.
    Bytes (*spoil)(Bytes file);
    const char* message;
};

Bytes Cut(Bytes file, std::size_t length) {
    file.resize(length);
    return file;
}
Bytes Put(Bytes file, std::size_t offset, std::uint8_t value) {
    file.at(offset) = value;
    return file;
}

Bytes Letters(Bytes file, const char* letters) {
    std::copy(letters, letters + 4, file.begin() + 2);
    return file;
}

const RefusedFileCase kRefusedFiles[] = {
    {"Empty", [](Bytes f) { return Cut(f, 0); }, "Invalid file format."},
    {"MagicOnly", [](Bytes f) { return Cut(f, 8); }, "Invalid file format."},
    {"ReservedAreaShort", [](Bytes f) { return Cut(f, 84); }, "Invalid file format."},
    {"MagicInLowerCase", [](Bytes f) { return Letters(f, "vorn"); }, "Invalid file format."},
    {"OtherVendor", [](Bytes f) { return Put(f, format::kVendorIdOffset, 0x34); },
     "The selected file is not for the selected model."},
    {"OtherProduct", [](Bytes f) { return Put(f, format::kProductIdOffset, 0x4B); },
     "The selected file is not for the selected model."},
    {"OtherBlockSize", [](Bytes f) { return Put(f, format::kBlockSizeOffset, 64); },
     "The selected file is not for the selected model."},
    {"BlockSizeAbove16Bits", [](Bytes f) { return Put(f, format::kBlockSizeOffset + 2, 1); },
     "The selected file is not for the selected model."},
    {"OtherBlockCount", [](Bytes f) { return Put(f, format::kBlockCountOffset, 2); },
     "The selected file is not for the selected model."},
    {"EndsInsideBlockOne", [](Bytes f) { return Cut(f, 85 + 100); },
     "Fail to read the selected file."},
    {"EndsInsideTheLastBlock", [](Bytes f) { return Cut(f, 85 + 3 * 128 - 1); },
     "Fail to read the selected file."},
    {"EndsBeforeTheLastBlock", [](Bytes f) { return Cut(f, 85 + 2 * 128); },
     "Fail to read the selected file."},
};

class KeymapRefusedFileTest : public KeymapDownloadTest,
                              public ::testing::WithParamInterface<RefusedFileCase> {};

// Whatever is wrong with the file, it is found before the keymap is erased.
TEST_P(KeymapRefusedFileTest, RefusedBeforeTheKeyboardIsTouched) {
    sim::SimKeyboard& keyboard = Prepare(128, 3);
    test::WriteBytes(source, GetParam().spoil(test::ReadBytes(source)));
    EXPECT_EQ(Download(), Outcome::kRefused);
    EXPECT_EQ(user.Messages(), Strings{GetParam().message});
    ExpectUntouched(keyboard);
}

INSTANTIATE_TEST_SUITE_P(Files, KeymapRefusedFileTest, ::testing::ValuesIn(kRefusedFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeymapDownloadTest, FileOfAnotherModelIsRefused) {
    sim::SimKeyboard& keyboard = Prepare();
    sim::SimKeyboard& other = Plug("/dev/hidraw-sim1", 0x104B);  // Orvane Lyric
    other.SetGeometry(128, 3);
    ListKeyboards();
    state.keyboards.SetSelected(1);
    EXPECT_EQ(Download(), Outcome::kRefused);
    EXPECT_EQ(user.Messages(), Strings{"The selected file is not for the selected model."});
    EXPECT_EQ(other.Commands(), std::vector<std::uint8_t>{kCmdGetProperty});
    EXPECT_FALSE(Received(keyboard, kCmdEraseKeymap));
}

// An erase may have half happened; the earlier keymap goes back in all the same.
TEST_F(KeymapDownloadTest, RefusedEraseEndsWithTheEarlierKeymap) {
    sim::SimKeyboard& keyboard = Prepare();
    keyboard.FaultCommand(kCmdEraseKeymap, Status(kKeyboardRefuses), 1);
    EXPECT_EQ(Download(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to erase the existing keymap"});
    EXPECT_EQ(KeymapOf(keyboard), before);
}

TEST_F(KeymapDownloadTest, EraseTimeOutIsReportedFirst) {
    sim::SimKeyboard& keyboard = Prepare();
    keyboard.FaultCommand(kCmdEraseKeymap, NoReply(), 1);
    Download(quickLink);
    EXPECT_EQ(user.Messages(),
              (Strings{"WaitForSingleObject timeout", "Fail to erase the existing keymap"}));
    EXPECT_EQ(KeymapOf(keyboard), before);
}

TEST_F(KeymapDownloadTest, BlockWriteTimeOutIsReportedFirst) {
    sim::SimKeyboard& keyboard = Prepare();
    keyboard.FaultCommand(kCmdWriteKeymap, NoReply(), 1);
    Download(quickLink);
    EXPECT_EQ(user.Messages(), (Strings{"WaitForSingleObject timeout",
                                        "Fail to download the selected file to the keyboard."}));
}

// The write command's count is one byte: such a keyboard could only be sent cut blocks.
TEST_F(KeymapDownloadTest, KeyboardWithOversizedBlocksIsRefusedBeforeErasing) {
    sim::SimKeyboard& keyboard = Prepare(253, 2);
    EXPECT_EQ(Download(), Outcome::kRefused);
    EXPECT_EQ(user.Messages(), Strings{"Fail to download the selected file to the keyboard."});
    ExpectUntouched(keyboard);
}

TEST_F(KeymapDownloadTest, LargestWritableBlocksGoThrough) {
    sim::SimKeyboard& keyboard = Prepare(252, 2);
    Download();
    EXPECT_EQ(user.Messages(), Strings{"Download successfully."});
    EXPECT_EQ(KeymapOf(keyboard), blocks);
}

}  // namespace
}  // namespace vorn::keymap
