#include <gtest/gtest.h>

#include <cstdio>

#include "app/VersionBlock.h"
#include "tests/support/TempDir.h"

namespace vorn::app {
namespace {

VersionBlockContents SampleContents() {
    VersionBlockContents c;
    c.fixed = FixedInfoForVersion(1, 0, 0, 6);
    c.tables.push_back({0x0409, 0x04E4, {{"ProductName", "VornUtil"}, {"Comments", ""}}});
    c.translations = std::vector<std::uint32_t>{0x04E40409};
    return c;
}

TEST(VersionBlock, RootValueIsTheFixedFileInformation) {
    const auto block = BuildVersionBlock(SampleContents());
    const auto root = QueryVersionValue(block, "\\");
    ASSERT_TRUE(root);
    ASSERT_EQ(root->bytes.size(), kFixedFileInfoSize);
    EXPECT_EQ(root->bytes[0], 0xBD);  // signature FEEF04BD, little-endian
    EXPECT_EQ(root->bytes[3], 0xFE);
    EXPECT_EQ(block.size() % 4, 0u);
    EXPECT_EQ(block[0] | (block[1] << 8), static_cast<int>(block.size()));
}

TEST(VersionBlock, StringsAndTranslationsAreFoundByPathWithoutRegardToCase) {
    const auto block = BuildVersionBlock(SampleContents());
    auto name = QueryVersionValue(block, "\\StringFileInfo\\040904E4\\ProductName");
    ASSERT_TRUE(name);
    EXPECT_EQ(VersionText(*name), "VornUtil");
    EXPECT_TRUE(QueryVersionValue(block, "\\stringfileinfo\\040904e4\\productname"));
    auto empty = QueryVersionValue(block, "\\StringFileInfo\\040904E4\\Comments");
    ASSERT_TRUE(empty);
    EXPECT_EQ(VersionText(*empty), "");
    auto translation = QueryVersionValue(block, "\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation);
    ASSERT_EQ(translation->bytes.size(), 4u);
    EXPECT_EQ(translation->bytes[0], 0x09);
    EXPECT_EQ(translation->bytes[2], 0xE4);
}

TEST(VersionBlock, MissingPathsAnswerNothing) {
    const auto block = BuildVersionBlock(SampleContents());
    EXPECT_FALSE(QueryVersionValue(block, "\\StringFileInfo\\080404B0\\ProductName"));
    EXPECT_FALSE(QueryVersionValue(block, "\\StringFileInfo\\040904E4\\SpecialBuild"));
    EXPECT_FALSE(QueryVersionValue(block, "\\NoSuchNode"));
}

TEST(VersionBlock, TruncatedOrGarbageBlocksAnswerNothingAndReadNoFurther) {
    const auto block = BuildVersionBlock(SampleContents());
    for (std::size_t cut = 0; cut < block.size(); ++cut) {
        // A copy of exactly `cut` bytes, so the sanitizer sees any read past it.
        std::vector<std::uint8_t> part(block.begin(), block.begin() + cut);
        auto root = QueryVersionValue(part, "\\");
        EXPECT_FALSE(root) << "cut at " << cut;
        (void)QueryVersionValue(part, "\\StringFileInfo\\040904E4\\ProductName");
    }
    std::vector<std::uint8_t> garbage(300);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
    EXPECT_FALSE(QueryVersionValue(garbage, "\\"));
}

TEST(VersionBlock, NodeLengthsPointingPastTheParentAreRefused) {
    auto block = BuildVersionBlock(SampleContents());
    // Let the StringFileInfo node claim more bytes than the root holds.
    const std::size_t sfi = 6 + 32 + 2 + 52;  // header, "VS_VERSION_INFO" + NUL, pad, fixed part
    block[sfi] = 0xFF;
    block[sfi + 1] = 0x7F;
    EXPECT_FALSE(QueryVersionValue(block, "\\StringFileInfo\\040904E4\\ProductName"));
    EXPECT_TRUE(QueryVersionValue(block, "\\"));
}

TEST(VersionBlock, TextIsUtf8AlsoBeyondTheBasicPlane) {
    // "é", "中", U+1F600 as a surrogate pair, then a lone high surrogate.
    const std::uint8_t utf16[] = {0xE9, 0x00, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE, 0x3D, 0xD8};
    const VersionValue value{std::span<const std::uint8_t>(utf16), true};
    EXPECT_EQ(VersionText(value), "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(VersionBlock, ReadFromABareBlockFileOrNotAtAll) {
    const vorn::test::TempDir dir;
    const auto bare = dir.File("vorn_version_bare.bin");
    const auto block = BuildVersionBlock(SampleContents());
    vorn::test::WriteBytes(bare, block);
    auto read = ReadVersionBlock(bare);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, block);

    const auto text = dir.Write("vorn_version_text.txt", "no version here");
    EXPECT_FALSE(ReadVersionBlock(text));
    EXPECT_FALSE(ReadVersionBlock(dir.File("vorn_version_missing")));
}

}  // namespace
}  // namespace vorn::app
