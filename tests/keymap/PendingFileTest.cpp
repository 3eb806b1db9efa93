#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FileSizeLimit.h"
#include "keymap/PendingFile.h"
#include "tests/support/TempDir.h"

namespace vorn::keymap {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const Bytes kEarlier{'o', 'l', 'd'};
const Bytes kNew{1, 2, 3, 4, 5};

class PendingFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string target = dir.File("keys.dat");
};

TEST_F(PendingFileTest, CommitMovesTheWrittenBytesToTheTarget) {
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keys.dat"}));
}

TEST_F(PendingFileTest, EarlierFileStaysUntilCommitThenIsReplaced) {
    WriteBytes(target, kEarlier);
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    EXPECT_EQ(ReadBytes(target), kEarlier);
    EXPECT_EQ(std::filesystem::path(file.TemporaryPath()).parent_path(),
              std::filesystem::path(target).parent_path());
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(target), kNew);
}

TEST_F(PendingFileTest, DroppedWithoutCommitLeavesNothingBehind) {
    WriteBytes(target, kEarlier);
    {
        PendingFile file(target);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    }
    EXPECT_EQ(ReadBytes(target), kEarlier);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keys.dat"}));
}

TEST_F(PendingFileTest, TemporaryNameAlreadyTakenIsSkippedAndKept) {
    const std::string taken = target + ".part0";
    WriteBytes(taken, kEarlier);
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    EXPECT_NE(file.TemporaryPath(), taken);
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(taken), kEarlier);
}

TEST_F(PendingFileTest, FolderThatDoesNotExistCannotBeOpened) {
    PendingFile file(dir.File("missing/keys.dat"));
    EXPECT_FALSE(file.Open());
    EXPECT_FALSE(file.Write(kNew.data(), kNew.size()));
    EXPECT_FALSE(file.Commit());
}

TEST_F(PendingFileTest, FolderInPlaceOfTheTargetIsRefusedAtOpen) {
    std::filesystem::create_directory(target);
    PendingFile file(target);
    EXPECT_FALSE(file.Open());
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keys.dat"}));
}

TEST_F(PendingFileTest, TargetThatCannotBeReplacedFailsCommitAndIsKept) {
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write(kNew.data(), kNew.size()));
    std::filesystem::create_directory(target);  // appears while the file is written
    EXPECT_FALSE(file.Commit());
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keys.dat"}));
}

TEST_F(PendingFileTest, ReplacementKeepsTheEarlierFilesPermissions) {
    namespace fs = std::filesystem;
    WriteBytes(target, kEarlier);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PendingFileTest, BytesThatNeverReachTheDiskFailCommit) {
    WriteBytes(target, kEarlier);
    PendingFile file(target);
    ASSERT_TRUE(file.Open());
    const Bytes big(4000, 0x5A);
    {
        test::FileSizeLimit limit(100);
        file.Write(big.data(), big.size());
        EXPECT_FALSE(file.Commit());
    }
    EXPECT_EQ(ReadBytes(target), kEarlier);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keys.dat"}));
}

}  // namespace
}  // namespace vorn::keymap
