// vornctl's keymap safety: a download refuses to erase without a backup unless told
// --no-backup, keymap-restore puts a backup back, keymap-info reads what a file says.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "VornctlFixture.h"
#include "keymap/KeymapFile.h"

namespace vorn::cli::test {
namespace {

using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCmdEraseKeymap = 0x29;

Bytes Block(std::size_t size, int seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 13 + i);
    return bytes;
}

Bytes KeymapFile(std::uint32_t size, const std::vector<Bytes>& blocks) {
    const keymap::HeaderBytes header = keymap::EncodeHeader(
        {kBrellowVendor, kOrvaneProProduct, size, static_cast<std::uint8_t>(blocks.size())});
    Bytes file(header.begin(), header.end());
    for (const Bytes& block : blocks) file.insert(file.end(), block.begin(), block.end());
    return file;
}

class VornctlKeymapGuardTest : public VornctlFixture {
  protected:
    // An Orvane Pro with a keymap of its own, and a file with another one.
    sim::SimKeyboard& Prepare() {
        sim::SimKeyboard& keyboard = PlugOrvanePro();
        keyboard.SetGeometry(16, 2);
        keyboard.SetBlock(1, Block(16, 1));
        keyboard.SetBlock(2, Block(16, 2));
        WriteBytes(file, KeymapFile(16, {Block(16, 3), Block(16, 4)}));
        return keyboard;
    }
    static bool Erased(const sim::SimKeyboard& keyboard) {
        const std::vector<std::uint8_t> commands = keyboard.Commands();
        return std::find(commands.begin(), commands.end(), kCmdEraseKeymap) != commands.end();
    }
    std::size_t BackupCount() const {
        const std::string folder = dir.File("backups");
        if (!std::filesystem::exists(folder)) return 0;
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }

    std::string file = dir.File("keys.dat");
};

TEST_F(VornctlKeymapGuardTest, DownloadWithoutABackupIsRefusedUnlessAskedFor) {
    sim::SimKeyboard& keyboard = Prepare();
    WriteText(dir.File("backups"), "a file where the folder should be");
    Outcome run = Run({"keymap-download", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, ::testing::StartsWith("The keymap was not downloaded: the keyboard's "
                                               "current keymap could not be saved first.\n"));
    EXPECT_THAT(run.err, HasSubstr("--no-backup"));
    EXPECT_FALSE(Erased(keyboard));
    EXPECT_EQ(keyboard.Block(1), Block(16, 1));

    run = Run({"keymap-download", file, "--no-backup"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "Download successfully.\n");
    EXPECT_EQ(keyboard.Block(2), Block(16, 4));
}

TEST_F(VornctlKeymapGuardTest, NoBackupLeavesTheBackupFolderAlone) {
    Prepare();
    EXPECT_EQ(Run({"--no-backup", "keymap-download", file}).status, kExitOk);
    EXPECT_EQ(BackupCount(), 0u);
}

TEST_F(VornctlKeymapGuardTest, RestorePutsTheNewestBackupBack) {
    sim::SimKeyboard& keyboard = Prepare();
    ASSERT_EQ(Run({"keymap-download", file}).status, kExitOk);
    EXPECT_EQ(keyboard.Block(1), Block(16, 3));
    const Outcome run = Run({"keymap-restore"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
    const std::filesystem::path newest =
        std::filesystem::path(dir.File("backups")) / "Orvane-Pro-0f39-1085-";
    EXPECT_THAT(run.err, HasSubstr("restoring " + newest.string()));
    EXPECT_THAT(run.err, HasSubstr("Download successfully.\n"));
    EXPECT_EQ(keyboard.Block(1), Block(16, 1));
    EXPECT_EQ(keyboard.Block(2), Block(16, 2));
}

TEST_F(VornctlKeymapGuardTest, RestoreOfAFileAndRestoreWithoutAnyBackup) {
    sim::SimKeyboard& keyboard = Prepare();
    Outcome run = Run({"keymap-restore", "--keyboard", "0"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr("there is no backup of the Orvane Pro (0f39:1085) in "));
    EXPECT_FALSE(Erased(keyboard));

    run = Run({"keymap-restore", file, "--no-backup"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(keyboard.Block(1), Block(16, 3));
}

TEST_F(VornctlKeymapGuardTest, InfoTellsWhatTheHeaderSays) {
    WriteBytes(file, KeymapFile(16, {Block(16, 3), Block(16, 4)}));
    const Outcome run = Run({"keymap-info", file});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "file\t" + file +
                           "\nmodel\tOrvane Pro\nvendor id\t0f39\nproduct id\t1085\n"
                           "block size\t16\nblock count\t2\nblocks\twhole (32 bytes)\n");
}

TEST_F(VornctlKeymapGuardTest, InfoOfAShortFileSaysWhereItEnds) {
    Bytes bytes = KeymapFile(16, {Block(16, 3), Block(16, 4)});
    bytes.resize(85 + 20);
    WriteBytes(file, bytes);
    const Outcome run = Run({"keymap-info", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.out,
                HasSubstr("blocks\tshort: 20 of 32 bytes (the file ends inside block 2)\n"));
}

TEST_F(VornctlKeymapGuardTest, InfoRefusesAForeignFile) {
    WriteText(file,
              "#!/bin/sh\necho this is no keymap, but it is long enough to hold a header "
              "of eighty-five bytes\n");
    const Outcome run = Run({"keymap-info", file});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "vornctl: " + file + ": not a keymap file (Invalid file format.)\n");
}

TEST_F(VornctlKeymapGuardTest, DiffNamesTheBlocksAndByteRangesThatDiffer) {
    Bytes changed = Block(16, 4);
    changed[0] ^= 1;
    changed[5] ^= 1;
    changed[6] ^= 1;
    changed[7] ^= 1;
    changed[15] ^= 1;
    const std::string other = dir.File("other.dat");
    WriteBytes(file, KeymapFile(16, {Block(16, 3), Block(16, 4)}));
    WriteBytes(other, KeymapFile(16, {Block(16, 3), changed}));
    Outcome run = Run({"keymap-info", file, "--diff", other});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.out, ::testing::EndsWith("\n\nblock 2\tbytes 0, 5-7, 15\n"));

    run = Run({"keymap-info", file, "--diff=" + file});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_THAT(run.out, ::testing::EndsWith("\nthe keymaps are the same\n"));

    WriteBytes(other, KeymapFile(16, {Block(16, 3)}));
    run = Run({"keymap-info", file, "--diff", other});
    EXPECT_THAT(run.out, ::testing::EndsWith("the headers differ: the files are for other "
                                             "models or geometries\n"));
}

TEST_F(VornctlKeymapGuardTest, OptionsGoWithTheirCommandsOnly) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"keymap-upload", "k.dat", "--no-backup"},
                                               {"keymap-download", "k.dat", "--diff", "o.dat"},
                                               {"keymap-info"},
                                               {"keymap-info", "k.dat", "--keyboard", "0"},
                                               {"keymap-restore", "a.dat", "b.dat"}}) {
        EXPECT_EQ(Run(args).status, kExitUsage) << args[0];
    }
}

}  // namespace
}  // namespace vorn::cli::test
