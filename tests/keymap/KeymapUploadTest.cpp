#include <filesystem>

#include "FileSizeLimit.h"
#include "KeymapFixture.h"
#include "keymap/KeymapTransfer.h"

namespace vorn::keymap {
namespace {

using state::Outcome;

class KeymapUploadTest : public KeymapFixture {
  protected:
    std::string target = dir.File("keys.dat");
    const Bytes earlier{'e', 'a', 'r', 'l', 'i', 'e', 'r'};

    state::Outcome Upload(hid::Link& through) {
        user.AnswerFile(target);
        return KeymapUpload(state, through, user);
    }
    state::Outcome Upload() { return Upload(link); }
    // After a failed upload: the earlier file as it was, nothing else in the folder.
    void ExpectEarlierFileAlone() {
        EXPECT_EQ(test::ReadBytes(target), earlier);
        EXPECT_EQ(dir.Entries(), Strings{"keys.dat"});
    }
};

TEST_F(KeymapUploadTest, WritesTheDocumentedLayout) {
    sim::SimKeyboard& keyboard = PlugSelected(128, 3);
    EXPECT_EQ(Upload(), Outcome::kDone);
    EXPECT_EQ(user.Messages(), Strings{"Upload successfully."});
    Bytes expected{0x00, 0x00, 'V',  'O',  'R',  'N',  0x00, 0x00, 0x39, 0x0F, 0x00,
                   0x00, 0x85, 0x10, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x03};
    expected.resize(85, 0x00);
    const Bytes keymap = KeymapOf(keyboard);
    expected.insert(expected.end(), keymap.begin(), keymap.end());
    const Bytes written = test::ReadBytes(target);
    EXPECT_EQ(written.size(), 469u);
    EXPECT_EQ(written, expected);
}

TEST_F(KeymapUploadTest, ReadsBlocksOneToNInOrder) {
    sim::SimKeyboard& keyboard = PlugSelected(16, 3);
    Upload();
    std::vector<Bytes> reads;
    for (const auto& record : keyboard.Log()) {
        if (record.Command() == kCmdReadKeymap) reads.push_back(record.packet);
    }
    EXPECT_EQ(reads, (std::vector<Bytes>{{0xEA, 0x03, 0x2B, 0x01, 0xC3},
                                         {0xEA, 0x03, 0x2B, 0x02, 0xC0},
                                         {0xEA, 0x03, 0x2B, 0x03, 0xC1}}));
}

TEST_F(KeymapUploadTest, KeyboardWithoutBlocksGivesAHeaderOnlyFile) {
    PlugSelected(128, 0);
    Upload();
    EXPECT_EQ(user.Messages(), Strings{"Upload successfully."});
    EXPECT_EQ(test::ReadBytes(target).size(), 85u);
}

TEST_F(KeymapUploadTest, ReplacesAnEarlierFileOnlyWhenComplete) {
    test::WriteBytes(target, earlier);
    sim::SimKeyboard& keyboard = PlugSelected(64, 2);
    Upload();
    EXPECT_EQ(user.Messages(), Strings{"Upload successfully."});
    EXPECT_EQ(test::ReadBytes(target), FileFor(keyboard, KeymapOf(keyboard)));
    EXPECT_EQ(dir.Entries(), Strings{"keys.dat"});
}

struct BlockFaultCase {
    const char* name;
    sim::SimKeyboard::ReplyFault fault;
};

sim::SimKeyboard::ReplyFault WithDataLength(int length) {
    sim::SimKeyboard::ReplyFault fault;
    fault.dataLength = length;
    return fault;
}

sim::SimKeyboard::ReplyFault WithStatus(std::uint8_t status) {
    sim::SimKeyboard::ReplyFault fault;
    fault.status = status;
    return fault;
}

sim::SimKeyboard::ReplyFault WithBadChecksum() {
    sim::SimKeyboard::ReplyFault fault;
    fault.badChecksum = true;
    return fault;
}

class KeymapUploadBlockFaultTest : public KeymapUploadTest,
                                   public ::testing::WithParamInterface<BlockFaultCase> {};

// Block 1 reads well, block 2 does not: the upload stops there, and since the file would
// hold only part of the keymap, it is not kept.
TEST_P(KeymapUploadBlockFaultTest, BadSecondBlockFailsAndKeepsTheEarlierFile) {
    test::WriteBytes(target, earlier);
    sim::SimKeyboard& keyboard = PlugSelected(128, 3);
    const sim::SimKeyboard::ReplyFault good;
    keyboard.FaultNext(good);  // GetProperty
    keyboard.FaultNext(good);  // block 1
    keyboard.FaultNext(GetParam().fault);
    EXPECT_EQ(Upload(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Upload failed."});
    const std::vector<std::uint8_t> commands = keyboard.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), kCmdReadKeymap), 2);
    ExpectEarlierFileAlone();
}

INSTANTIATE_TEST_SUITE_P(Faults, KeymapUploadBlockFaultTest,
                         ::testing::Values(BlockFaultCase{"Shorter", WithDataLength(127)},
                                           BlockFaultCase{"Longer", WithDataLength(129)},
                                           BlockFaultCase{"Empty", WithDataLength(0)},
                                           BlockFaultCase{"Refused", WithStatus(kKeyboardRefuses)},
                                           BlockFaultCase{"BadChecksum", WithBadChecksum()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeymapUploadTest, FailedUploadLeavesNoFileWhereThereWasNone) {
    sim::SimKeyboard& keyboard = PlugSelected(128, 3);
    keyboard.FaultCommand(kCmdReadKeymap, WithStatus(kKeyboardRefuses));
    Upload();
    EXPECT_EQ(user.Messages(), Strings{"Upload failed."});
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(KeymapUploadTest, BlockTimeOutIsReportedBeforeTheFailure) {
    test::WriteBytes(target, earlier);
    sim::SimKeyboard& keyboard = PlugSelected(128, 3);
    keyboard.FaultCommand(kCmdReadKeymap, NoReply());
    Upload(quickLink);
    EXPECT_EQ(user.Messages(), (Strings{"WaitForSingleObject timeout", "Upload failed."}));
    ExpectEarlierFileAlone();
}

// A block of more than 252 bytes cannot come back in one reply, so it never reads whole.
TEST_F(KeymapUploadTest, KeyboardWithOversizedBlocksFails) {
    PlugSelected(256, 2);
    Upload();
    EXPECT_EQ(user.Messages(), Strings{"Upload failed."});
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(KeymapUploadTest, FullDiskFailsTheWriteAndKeepsTheEarlierFile) {
    test::WriteBytes(target, earlier);
    PlugSelected(128, 3);
    {
        test::FileSizeLimit limit(200);
        EXPECT_EQ(Upload(), Outcome::kFailed);
    }
    EXPECT_EQ(user.Messages(), Strings{"Fail to write to the file."});
    ExpectEarlierFileAlone();
}

TEST_F(KeymapUploadTest, FolderOfTheChosenNameCannotBeOpened) {
    std::filesystem::create_directory(target);
    sim::SimKeyboard& keyboard = PlugSelected(128, 3);
    EXPECT_EQ(Upload(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to open the selected file."});
    EXPECT_FALSE(Received(keyboard, kCmdReadKeymap));
    EXPECT_TRUE(std::filesystem::is_directory(target));
}

TEST_F(KeymapUploadTest, StartsFromAFreshHandleEachTime) {
    PlugSelected(16, 1);
    Upload();
    Upload();
    EXPECT_EQ(user.Messages(), (Strings{"Upload successfully.", "Upload successfully."}));
    EXPECT_EQ(platform.OpenHandles(), 1);
    EXPECT_TRUE(link.IsOpen());
}

}  // namespace
}  // namespace vorn::keymap
