// A download never loses the keyboard's keymap: it is saved before the erase, the written
// blocks are read back, and whatever fails after the erase ends with the earlier keymap
// back in the keyboard and the user told so below the usual message.
#include <sys/stat.h>

#include <filesystem>

#include "KeymapFixture.h"
#include "keymap/KeymapBackup.h"

namespace vorn::keymap {
namespace {

using state::Outcome;
using BlockWriteFault = sim::SimKeyboard::BlockWriteFault;

constexpr char kWrittenBack[] = "The keyboard's earlier keymap was written back";

class KeymapGuardTest : public KeymapFixture {
  protected:
    std::string source = dir.File("keys.dat");
    std::string backups = dir.File("backups");

    sim::SimKeyboard& Prepare(std::uint8_t blockCount = 3) {
        sim::SimKeyboard& keyboard = PlugSelected(128, blockCount);
        before = KeymapOf(keyboard);
        test::WriteBytes(source, FileFor(keyboard, Pattern(before.size(), 7)));
        return keyboard;
    }
    Outcome Download(hid::Link& through, const DownloadOptions& options, std::string path) {
        user.AnswerFile(std::move(path));
        return KeymapDownload(state, through, user, options);
    }
    Outcome Download(hid::Link& through) { return Download(through, Guarded(), source); }
    Outcome Download() { return Download(link); }
    std::vector<std::string> Backups() const {
        std::string problem;
        return BackupStore(backups).List(kVendor, kProduct, problem);
    }
    std::string Detail() const { return user.Told().empty() ? "" : user.Told().back().detail; }

    Bytes before;
};

// How a download goes wrong at block k.
enum class Fault { kRefused, kTimeOut, kVanished, kDiffers };

struct FaultCase {
    Fault fault;
    int block;  // 0: the last
};

class KeymapFaultTest : public KeymapGuardTest, public ::testing::WithParamInterface<FaultCase> {};

BlockWriteFault Make(Fault fault) {
    BlockWriteFault made;
    if (fault == Fault::kRefused) made.reply.status = kKeyboardRefuses;
    if (fault == Fault::kTimeOut) made.reply.noReply = true;
    // Gone for a moment, as a keyboard that resets itself.
    if (fault == Fault::kVanished) made.vanishFor = std::chrono::milliseconds(20);
    if (fault == Fault::kDiffers) made.corrupt = true;
    return made;
}

std::string FaultCaseName(const ::testing::TestParamInfo<FaultCase>& info) {
    static const char* const names[] = {"Refused", "TimeOut", "Vanished", "ReadBackDiffers"};
    const int block = info.param.block;
    return std::string(names[static_cast<int>(info.param.fault)]) + "AtBlock" +
           (block == 0 ? std::string("Last") : std::to_string(block));
}

TEST_P(KeymapFaultTest, KeyboardEndsWithItsEarlierKeymap) {
    sim::SimKeyboard& keyboard = Prepare(4);
    const int k = GetParam().block == 0 ? keyboard.BlockCount() : GetParam().block;
    keyboard.FaultBlockWrite(static_cast<std::uint8_t>(k), Make(GetParam().fault));
    EXPECT_EQ(Download(quickLink), Outcome::kFailed);
    EXPECT_EQ(user.Messages().back(), "Fail to download the selected file to the keyboard.");
    EXPECT_NE(Detail().find("Block " + std::to_string(k)), std::string::npos) << Detail();
    EXPECT_NE(Detail().find(kWrittenBack), std::string::npos) << Detail();
    EXPECT_EQ(KeymapOf(keyboard), before);
}

INSTANTIATE_TEST_SUITE_P(
    AtBlock, KeymapFaultTest,
    ::testing::Values(FaultCase{Fault::kRefused, 1}, FaultCase{Fault::kRefused, 2},
                      FaultCase{Fault::kRefused, 0}, FaultCase{Fault::kTimeOut, 1},
                      FaultCase{Fault::kTimeOut, 2}, FaultCase{Fault::kTimeOut, 0},
                      FaultCase{Fault::kVanished, 1}, FaultCase{Fault::kVanished, 2},
                      FaultCase{Fault::kVanished, 0}, FaultCase{Fault::kDiffers, 2}),
    FaultCaseName);

TEST_F(KeymapGuardTest, SuccessSavesTheEarlierKeymapAsAnOrdinaryKeymapFile) {
    sim::SimKeyboard& keyboard = Prepare();
    EXPECT_EQ(Download(), Outcome::kDone);
    EXPECT_EQ(user.Messages(), Strings{"Download successfully."});
    const std::vector<std::string> saved = Backups();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(Detail(), "The keyboard's earlier keymap was saved in " + saved[0] + ".");
    EXPECT_EQ(test::ReadBytes(saved[0]), FileFor(keyboard, before));
    // It downloads like any keymap file (with no backup of its own this time).
    EXPECT_EQ(Download(link, Guarded(BackupPolicy::kSkip), saved[0]), Outcome::kDone);
    EXPECT_EQ(KeymapOf(keyboard), before);
}

TEST_F(KeymapGuardTest, BackupsAreTheUsersAlone) {
    Prepare();
    Download();
    struct stat folder {};
    struct stat file {};
    ASSERT_EQ(::stat(backups.c_str(), &folder), 0);
    ASSERT_EQ(::stat(Backups().at(0).c_str(), &file), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
}

TEST_F(KeymapGuardTest, TwentyOneDownloadsKeepTwentyBackupsAndNothingElseGoes) {
    Prepare();
    std::filesystem::create_directories(backups);
    test::WriteText(backups + "/notes.txt", "mine");
    test::WriteText(backups + "/Other-0f39-104b-20000101-000000-000.dat", "other model");
    std::vector<std::string> first;
    for (int i = 0; i < 21; ++i) {
        ASSERT_EQ(Download(), Outcome::kDone);
        if (i == 0) first = Backups();
    }
    const std::vector<std::string> kept = Backups();
    EXPECT_EQ(kept.size(), 20u);
    EXPECT_NE(kept.front(), first.at(0));  // the oldest went
    EXPECT_TRUE(std::filesystem::exists(backups + "/notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(backups + "/Other-0f39-104b-20000101-000000-000.dat"));
}

TEST_F(KeymapGuardTest, BackupFolderThatIsALinkIsNotFollowed) {
    Prepare();
    const std::string elsewhere = dir.File("elsewhere");
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, backups);
    EXPECT_EQ(Download(link, Guarded(BackupPolicy::kRequire), source), Outcome::kRefused);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

// The backup cannot be written: nothing is erased unless the user says Yes.
TEST_F(KeymapGuardTest, UnwritableBackupLeavesTheKeyboardUntouched) {
    sim::SimKeyboard& keyboard = Prepare();
    test::WriteText(backups, "a file where the folder should be");
    EXPECT_EQ(Download(), Outcome::kCancelled);
    ASSERT_EQ(user.Questions().size(), 1u);
    EXPECT_EQ(user.Questions()[0].text,
              "The keyboard's current keymap could not be saved first. Download without a "
              "backup?");
    EXPECT_TRUE(user.Messages().empty());
    EXPECT_FALSE(Received(keyboard, kCmdEraseKeymap));
    EXPECT_EQ(KeymapOf(keyboard), before);

    EXPECT_EQ(Download(link, Guarded(BackupPolicy::kRequire), source), Outcome::kRefused);
    EXPECT_EQ(user.Messages().back(),
              "The keymap was not downloaded: the keyboard's current keymap could not be saved "
              "first.");
    EXPECT_FALSE(Received(keyboard, kCmdEraseKeymap));
}

TEST_F(KeymapGuardTest, UnreadableKeyboardIsNotErasedWithoutAYes) {
    sim::SimKeyboard& keyboard = Prepare();
    keyboard.FaultCommand(kCmdReadKeymap, Status(kKeyboardRefuses), 1);
    EXPECT_EQ(Download(), Outcome::kCancelled);
    EXPECT_NE(user.Questions().at(0).detail.find("block 1 could not be read"), std::string::npos);
    EXPECT_FALSE(Received(keyboard, kCmdEraseKeymap));

    keyboard.FaultCommand(kCmdReadKeymap, Status(kKeyboardRefuses), 1);
    keyboard.FaultBlockWrite(2, Make(Fault::kRefused));
    user.AnswerQuestion(true);
    EXPECT_EQ(Download(), Outcome::kFailed);
    EXPECT_NE(Detail().find("No backup had been made"), std::string::npos) << Detail();
}

TEST_F(KeymapGuardTest, KeyboardGoneForGoodIsToldWhereTheBackupIs) {
    sim::SimKeyboard& keyboard = Prepare();
    BlockWriteFault gone;
    gone.vanishFor = sim::SimKeyboard::kGone;
    keyboard.FaultBlockWrite(2, gone);
    EXPECT_EQ(Download(), Outcome::kFailed);
    EXPECT_EQ(user.Messages().back(), "Fail to download the selected file to the keyboard.");
    const std::vector<std::string> saved = Backups();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_NE(Detail().find("failed too"), std::string::npos) << Detail();
    EXPECT_NE(Detail().find(saved[0]), std::string::npos) << Detail();
    EXPECT_NE(Detail().find("vornctl keymap-restore"), std::string::npos) << Detail();
    // Back again: the backup puts the keymap back.
    keyboard.ClearFaults();
    EXPECT_EQ(Download(link, Guarded(BackupPolicy::kSkip), saved[0]), Outcome::kDone);
    EXPECT_EQ(KeymapOf(keyboard), before);
}

}  // namespace
}  // namespace vorn::keymap
