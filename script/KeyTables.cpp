#include "script/KeyTables.h"

#include <array>
#include <cstring>
#include <utility>

namespace vorn::script {
namespace {

constexpr std::uint8_t kBoth = kInLayout1 | kInLayout2;
constexpr std::uint8_t kOnly1 = kInLayout1;

// Codes are usage IDs of the keyboard/keypad page, except FN, PN, NKEY and TOGGLE, which
// the keyboard itself interprets.
constexpr std::array<KeyName, 61> kKeyNames = {{
    // two characters
    {"F1", 0x3A, kBoth},
    {"F2", 0x3B, kBoth},
    {"F3", 0x3C, kBoth},
    {"F4", 0x3D, kBoth},
    {"F5", 0x3E, kBoth},
    {"F6", 0x3F, kBoth},
    {"F7", 0x40, kBoth},
    {"F8", 0x41, kBoth},
    {"F9", 0x42, kBoth},
    {"FN", 0xF0, kOnly1},
    {"PN", 0xE8, kOnly1},
    {"K/", 0x54, kOnly1},
    {"K*", 0x55, kOnly1},
    {"K-", 0x56, kOnly1},
    {"K+", 0x57, kOnly1},
    {"K.", 0x63, kOnly1},
    {"K0", 0x62, kOnly1},
    {"K1", 0x59, kOnly1},
    {"K2", 0x5A, kOnly1},
    {"K3", 0x5B, kOnly1},
    {"K4", 0x5C, kOnly1},
    {"K5", 0x5D, kOnly1},
    {"K6", 0x5E, kOnly1},
    {"K7", 0x5F, kOnly1},
    {"K8", 0x60, kOnly1},
    {"K9", 0x61, kOnly1},
    {"UP", 0x52, kBoth},
    // three characters
    {"F10", 0x43, kBoth},
    {"F11", 0x44, kBoth},
    {"F12", 0x45, kOnly1},
    {"ESC", 0x29, kBoth},
    {"TAB", 0x2B, kBoth},
    {"INS", 0x49, kBoth},
    {"NUM", 0x53, kOnly1},
    {"DEL", 0x4C, kBoth},
    {"END", 0x4D, kBoth},
    {"APP", 0x65, kOnly1},
    {"ENT", 0x28, kBoth},
    {"BSP", 0x2A, kBoth},
    // four characters
    {"NKEY", 0xDF, kOnly1},
    {"HOME", 0x4A, kBoth},
    {"PGUP", 0x4B, kBoth},
    {"PGDN", 0x4E, kBoth},
    {"LWIN", 0xE3, kBoth},
    {"LALT", 0xE2, kBoth},
    {"RALT", 0xE6, kBoth},
    {"RWIN", 0xE7, kBoth},
    {"LEFT", 0x50, kBoth},
    {"DOWN", 0x51, kBoth},
    {"CAPS", 0x39, kBoth},
    {"KENT", 0x58, kBoth},
    // five characters
    {"PRTSC", 0x46, kBoth},
    {"PAUSE", 0x48, kBoth},
    {"LCTRL", 0xE0, kBoth},
    {"RCTRL", 0xE4, kBoth},
    {"RIGHT", 0x4F, kBoth},
    {"SPACE", 0x2C, kBoth},
    // six characters
    {"SCROLL", 0x47, kBoth},
    {"TOGGLE", 0xEA, kOnly1},
    {"LSHIFT", 0xE1, kBoth},
    {"RSHIFT", 0xE5, kBoth},
}};

// Punctuation and '0' give the code of the US key that carries them; a character and its
// shifted partner share the key, so they share the code.
constexpr std::array<std::pair<char, std::uint8_t>, 32> kPunctuation = {{
    {'!', 0x1E}, {'"', 0x34}, {'#', 0x20},  {'$', 0x21}, {'%', 0x22}, {'&', 0x24}, {'\'', 0x34},
    {'(', 0x26}, {')', 0x27}, {'*', 0x25},  {'+', 0x2E}, {',', 0x36}, {'-', 0x2D}, {'.', 0x37},
    {'/', 0x38}, {'0', 0x27}, {':', 0x33},  {';', 0x33}, {'=', 0x2E}, {'>', 0x37}, {'?', 0x38},
    {'@', 0x1F}, {'[', 0x2F}, {'\\', 0x31}, {']', 0x30}, {'^', 0x23}, {'_', 0x2D}, {'`', 0x35},
    {'{', 0x2F}, {'|', 0x31}, {'}', 0x30},  {'~', 0x35},
}};

// 0 marks a character that gives no code (no key code of the table is 0).
constexpr std::array<std::uint8_t, 256> BuildCharacterTable() {
    std::array<std::uint8_t, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<std::uint8_t>(c - 0x3D);
    for (int c = '1'; c <= '9'; ++c) table[c] = static_cast<std::uint8_t>(c - 0x13);
    for (const auto& [character, code] : kPunctuation) {
        table[static_cast<unsigned char>(character)] = code;
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kCharacterCodes = BuildCharacterTable();

std::uint8_t LayoutBit(std::uint8_t layout) {
    if (layout == 1) return kInLayout1;
    if (layout == 2) return kInLayout2;
    return 0;
}

}  // namespace

std::span<const KeyName> AllKeyNames() { return kKeyNames; }

int KeyNameCode(const char* name, int length, std::uint8_t layout) {
    const std::uint8_t bit = LayoutBit(layout);
    if (bit == 0 || length < kMinKeyNameLength || length > kMaxKeyNameLength) return -1;
    for (const KeyName& key : kKeyNames) {
        if ((key.layouts & bit) != 0 && std::strlen(key.name) == static_cast<std::size_t>(length) &&
            std::memcmp(key.name, name, static_cast<std::size_t>(length)) == 0) {
            return key.code;
        }
    }
    return -1;
}

int CharacterKeyCode(unsigned char character) {
    const std::uint8_t code = kCharacterCodes[character];
    return code == 0 ? -1 : code;
}

}  // namespace vorn::script
