#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "script/KeyTables.h"

namespace vorn::script {
namespace {

struct ExpectedKey {
    const char* name;
    int code;
    bool layout1;
    bool layout2;
};

// The key-name contract, written out name by name.
const ExpectedKey kExpectedKeys[] = {
    {"F1", 0x3A, true, true},     {"F2", 0x3B, true, true},      {"F3", 0x3C, true, true},
    {"F4", 0x3D, true, true},     {"F5", 0x3E, true, true},      {"F6", 0x3F, true, true},
    {"F7", 0x40, true, true},     {"F8", 0x41, true, true},      {"F9", 0x42, true, true},
    {"FN", 0xF0, true, false},    {"PN", 0xE8, true, false},     {"K/", 0x54, true, false},
    {"K*", 0x55, true, false},    {"K-", 0x56, true, false},     {"K+", 0x57, true, false},
    {"K.", 0x63, true, false},    {"K0", 0x62, true, false},     {"K1", 0x59, true, false},
    {"K2", 0x5A, true, false},    {"K3", 0x5B, true, false},     {"K4", 0x5C, true, false},
    {"K5", 0x5D, true, false},    {"K6", 0x5E, true, false},     {"K7", 0x5F, true, false},
    {"K8", 0x60, true, false},    {"K9", 0x61, true, false},     {"UP", 0x52, true, true},
    {"F10", 0x43, true, true},    {"F11", 0x44, true, true},     {"F12", 0x45, true, false},
    {"ESC", 0x29, true, true},    {"TAB", 0x2B, true, true},     {"INS", 0x49, true, true},
    {"NUM", 0x53, true, false},   {"DEL", 0x4C, true, true},     {"END", 0x4D, true, true},
    {"APP", 0x65, true, false},   {"ENT", 0x28, true, true},     {"BSP", 0x2A, true, true},
    {"NKEY", 0xDF, true, false},  {"HOME", 0x4A, true, true},    {"PGUP", 0x4B, true, true},
    {"PGDN", 0x4E, true, true},   {"LWIN", 0xE3, true, true},    {"LALT", 0xE2, true, true},
    {"RALT", 0xE6, true, true},   {"RWIN", 0xE7, true, true},    {"LEFT", 0x50, true, true},
    {"DOWN", 0x51, true, true},   {"CAPS", 0x39, true, true},    {"KENT", 0x58, true, true},
    {"PRTSC", 0x46, true, true},  {"PAUSE", 0x48, true, true},   {"LCTRL", 0xE0, true, true},
    {"RCTRL", 0xE4, true, true},  {"RIGHT", 0x4F, true, true},   {"SPACE", 0x2C, true, true},
    {"SCROLL", 0x47, true, true}, {"TOGGLE", 0xEA, true, false}, {"LSHIFT", 0xE1, true, true},
    {"RSHIFT", 0xE5, true, true},
};

int Lookup(const char* name, std::uint8_t layout) {
    return KeyNameCode(name, static_cast<int>(std::strlen(name)), layout);
}

TEST(KeyNameTableTest, EveryNameHasItsCodeInTheLayoutsThatHoldIt) {
    for (const ExpectedKey& key : kExpectedKeys) {
        SCOPED_TRACE(key.name);
        EXPECT_EQ(Lookup(key.name, 1), key.layout1 ? key.code : -1);
        EXPECT_EQ(Lookup(key.name, 2), key.layout2 ? key.code : -1);
    }
}

TEST(KeyNameTableTest, HoldsNoOtherNames) {
    std::map<std::string, int> expected;
    for (const ExpectedKey& key : kExpectedKeys) expected[key.name] = key.code;
    ASSERT_EQ(AllKeyNames().size(), expected.size());
    for (const KeyName& key : AllKeyNames()) {
        SCOPED_TRACE(key.name);
        ASSERT_TRUE(expected.contains(key.name));
        EXPECT_EQ(key.code, expected[key.name]);
    }
}

TEST(KeyNameTableTest, CountsNamesPerLayoutAndLength) {
    // index: name length 2..6
    const int layout1[] = {27, 12, 12, 6, 4};
    const int layout2[] = {10, 9, 11, 6, 3};
    int counted1[5] = {};
    int counted2[5] = {};
    for (const KeyName& key : AllKeyNames()) {
        const auto slot = std::strlen(key.name) - 2;
        ASSERT_LT(slot, 5u) << key.name;
        counted1[slot] += (key.layouts & kInLayout1) != 0;
        counted2[slot] += (key.layouts & kInLayout2) != 0;
    }
    for (int slot = 0; slot < 5; ++slot) {
        SCOPED_TRACE("length " + std::to_string(slot + 2));
        EXPECT_EQ(counted1[slot], layout1[slot]);
        EXPECT_EQ(counted2[slot], layout2[slot]);
    }
}

TEST(KeyNameTableTest, FindsOnlyWholeUpperCaseNamesOfKnownLayouts) {
    EXPECT_EQ(KeyNameCode("ENTER", 3, 1), 0x28) << "length decides, not the terminator";
    EXPECT_EQ(Lookup("ENTER", 1), -1);
    EXPECT_EQ(Lookup("ent", 1), -1);
    EXPECT_EQ(Lookup("F", 1), -1);
    EXPECT_EQ(Lookup("ABCDEFG", 1), -1);
    EXPECT_EQ(Lookup("F1", 0), -1);
    EXPECT_EQ(Lookup("F1", 3), -1);
    EXPECT_EQ(KeyNameCode("F1", 0, 1), -1);
    EXPECT_EQ(KeyNameCode("F1", -1, 1), -1);
}

// The punctuation part of the character key table, written out.
const std::pair<char, int> kPunctuation[] = {
    {'!', 0x1E}, {'"', 0x34}, {'#', 0x20},  {'$', 0x21}, {'%', 0x22}, {'&', 0x24}, {'\'', 0x34},
    {'(', 0x26}, {')', 0x27}, {'*', 0x25},  {'+', 0x2E}, {',', 0x36}, {'-', 0x2D}, {'.', 0x37},
    {'/', 0x38}, {'0', 0x27}, {':', 0x33},  {';', 0x33}, {'=', 0x2E}, {'>', 0x37}, {'?', 0x38},
    {'@', 0x1F}, {'[', 0x2F}, {'\\', 0x31}, {']', 0x30}, {'^', 0x23}, {'_', 0x2D}, {'`', 0x35},
    {'{', 0x2F}, {'|', 0x31}, {'}', 0x30},  {'~', 0x35},
};

TEST(CharacterKeyTableTest, GivesEveryByteItsCodeOrNone) {
    std::map<int, int> expected;
    for (int c = 'A'; c <= 'Z'; ++c) expected[c] = 0x04 + (c - 'A');
    for (int c = '1'; c <= '9'; ++c) expected[c] = 0x1E + (c - '1');
    for (const auto& [c, code] : kPunctuation) expected[static_cast<unsigned char>(c)] = code;
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const int code = expected.contains(byte) ? expected[byte] : -1;
        EXPECT_EQ(CharacterKeyCode(static_cast<unsigned char>(byte)), code);
    }
}

}  // namespace
}  // namespace vorn::script
