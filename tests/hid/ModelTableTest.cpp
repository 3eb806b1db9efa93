#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "hid/ModelTable.h"

namespace vorn::hid {
namespace {

struct NameCase {
    std::uint16_t vendorId;
    std::uint16_t productId;
    const char* name;
};

class ModelNameForTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ModelNameForTest, NamesTheRowWithBothIds) {
    const NameCase& c = GetParam();
    EXPECT_EQ(ModelNameFor(c.vendorId, c.productId), c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ModelNameForTest,
    ::testing::Values(NameCase{0x0A34, 0x0212, "Orvane"}, NameCase{0x0A34, 0x0211, "Tessik"},
                      NameCase{0x0F39, 0x1085, "Orvane Pro"},
                      NameCase{0x0F39, 0x0876, "Tessik Pro"}, NameCase{0x0F39, 0x0211, "Tessik"},
                      NameCase{0x0F39, 0x104B, "Orvane Lyric"}, NameCase{0x0F39, 0x108A, "Brellow"},
                      // Product ids are only known under their own vendor.
                      NameCase{0x0A34, 0x1085, ""}, NameCase{0x0F39, 0x0212, ""},
                      NameCase{0x0F39, 0x9999, ""}, NameCase{0x046D, 0x0211, ""},
                      NameCase{0, 0, ""}));

TEST(ModelTableTest, PairsAreUniqueAndSlotsGoWithALayout) {
    std::set<std::pair<std::uint16_t, std::uint16_t>> pairs;
    for (const ModelRow& row : kModelTable) {
        EXPECT_TRUE(pairs.insert({row.vendorId, row.productId}).second) << row.name;
        EXPECT_EQ(row.scriptSlotCount != 0, row.scriptLayout != 0) << row.name;
    }
}

struct RowCase {
    const char* name;
    std::optional<int> row;
};

class RowForNameTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowForNameTest, FindsTheFirstRowWithExactlyThatName) {
    EXPECT_EQ(RowForName(GetParam().name), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RowForNameTest,
    ::testing::Values(RowCase{"Orvane", 0}, RowCase{"Tessik", 1}, RowCase{"Orvane Pro", 2},
                      RowCase{"Tessik Pro", 3}, RowCase{"Orvane Lyric", 5}, RowCase{"Brellow", 6},
                      RowCase{"tessik", std::nullopt}, RowCase{"ORVANE PRO", std::nullopt},
                      RowCase{"Orvane Pro ", std::nullopt}, RowCase{"Orvane Pr", std::nullopt},
                      RowCase{"", std::nullopt}, RowCase{"Keyboard", std::nullopt}));

TEST(ModelTableTest, ColumnReadsGiveSlotsAndLayoutOfTheScriptModelsOnly) {
    const std::int32_t slots[kModelCount] = {0, 0, 10, 10, 0, 0, 0};
    const std::uint8_t layouts[kModelCount] = {0, 0, 1, 2, 0, 0, 0};
    for (int model = 0; model < kModelCount; ++model) {
        EXPECT_EQ(ScriptSlotCount(model), slots[model]) << model;
        EXPECT_EQ(ScriptLayout(model), layouts[model]) << model;
    }
    for (int outside : {-1, kModelCount, 1000}) {
        EXPECT_EQ(ScriptSlotCount(outside), 0);
        EXPECT_EQ(ScriptLayout(outside), 0);
    }
}

}  // namespace
}  // namespace vorn::hid
