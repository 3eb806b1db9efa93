#include <gtest/gtest.h>

#include "app/CFileVersionInfo.h"

namespace vorn::app {
namespace {

std::vector<std::uint8_t> BlockWith(std::vector<std::uint32_t> translations,
                                    std::vector<StringTable> tables) {
    VersionBlockContents c;
    c.fixed = FixedInfoForVersion(1, 0, 0, 6);
    c.tables = std::move(tables);
    c.translations = std::move(translations);
    return BuildVersionBlock(c);
}

StringTable Table(std::uint16_t language, std::uint16_t codePage, const char* product) {
    return StringTable{language, codePage, {{"ProductName", product}}};
}

TEST(CFileVersionInfo, FileVersionOneZeroZeroSix) {
    CFileVersionInfo info;
    ASSERT_TRUE(
        info.CreateFromBlock(BlockWith({0x04E40409}, {Table(0x0409, 0x04E4, "V")}), 0x0409));
    EXPECT_EQ(info.FileVersionText(), "1.0.0.6");
    EXPECT_EQ(info.FixedInfo().fileVersionMS, 0x00010000u);
    EXPECT_EQ(info.FixedInfo().fileVersionLS, 0x00000006u);
}

struct ChoiceCase {
    std::vector<std::uint32_t> list;
    std::uint16_t user;
    int expected;
};

class TranslationChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(TranslationChoice, PicksTheEntryThatSuitsTheUser) {
    const auto& c = GetParam();
    EXPECT_EQ(ChooseTranslation(c.list, c.user), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TranslationChoice,
    ::testing::Values(ChoiceCase{{0x04E40409}, 0x0804, 0},  // a single entry suits everyone
                      ChoiceCase{{0x04E40409}, 0x0409, 0},
                      ChoiceCase{{0x04E40407, 0x04E40409}, 0x0807, 0},  // same primary language
                      ChoiceCase{{0x04E40407, 0x04E40409}, 0x0411, 1},  // falls back to English
                      ChoiceCase{{0x04E40407, 0x04E40409}, 0x0409, 1},  // exact match first
                      ChoiceCase{{0x04E40407, 0x04B00000}, 0x0411, 1},  // language 0 before English
                      ChoiceCase{{0x04E40407, 0x04E40411}, 0x0804, 0},  // nothing suits: the first
                      ChoiceCase{{}, 0x0409, -1}));

TEST(CFileVersionInfo, StringsComeFromTheChosenTable) {
    const auto block = BlockWith({0x04E40407, 0x04E40409}, {Table(0x0407, 0x04E4, "Deutsch"),
                                                            Table(0x0409, 0x04E4, "English")});
    CFileVersionInfo info;
    ASSERT_TRUE(info.CreateFromBlock(block, 0x0807));
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "Deutsch");
    ASSERT_TRUE(info.CreateFromBlock(block, 0x0411));
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "English");
    EXPECT_EQ(info.String(CFileVersionInfo::kCompanyName), "");
}

TEST(CFileVersionInfo, ABlockWithoutTranslationsKeepsItsNumbersAndHasNoStrings) {
    VersionBlockContents c;
    c.fixed = FixedInfoForVersion(2, 3, 4, 5);
    c.tables.push_back(Table(0x0409, 0x04E4, "VornUtil"));
    CFileVersionInfo info;
    ASSERT_TRUE(info.CreateFromBlock(BuildVersionBlock(c), 0x0409));
    EXPECT_EQ(info.FileVersionText(), "2.3.4.5");
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "");

    c.translations = std::vector<std::uint32_t>{};
    ASSERT_TRUE(info.CreateFromBlock(BuildVersionBlock(c), 0x0409));
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "");
}

TEST(CFileVersionInfo, AFileWithoutABlockFailsAndResets) {
    CFileVersionInfo info;
    ASSERT_TRUE(
        info.CreateFromBlock(BlockWith({0x04E40409}, {Table(0x0409, 0x04E4, "V")}), 0x0409));
    EXPECT_FALSE(info.Create("/nonexistent/vornutil", 0x0409));
    EXPECT_EQ(info.FileVersionText(), "0.0.0.0");
    EXPECT_EQ(info.String(CFileVersionInfo::kProductName), "");
}

}  // namespace
}  // namespace vorn::app
