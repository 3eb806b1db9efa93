// The key tables of the script language: the character key table, which gives PRINT text
// characters their key codes, and the key-name tables of the two script layouts, which give
// the names written between '<' and '>' theirs. Constant data; no Qt, no allocation.
#pragma once

#include <cstdint>
#include <span>

namespace vorn::script {

// Bits of KeyName::layouts: which script layouts' tables hold the name.
inline constexpr std::uint8_t kInLayout1 = 0x01;
inline constexpr std::uint8_t kInLayout2 = 0x02;

inline constexpr int kMinKeyNameLength = 2;
inline constexpr int kMaxKeyNameLength = 6;

// One key name (2..6 upper-case characters) with its key code. A name has the same code in
// every table that holds it.
struct KeyName {
    const char* name;
    std::uint8_t code;
    std::uint8_t layouts;
};

// Every key name of both layouts, grouped by name length, shortest first.
std::span<const KeyName> AllKeyNames();

// The code of the key named by the `length` characters at `name` in the table of `layout`,
// or -1 when that table lacks the name or the layout has no table.
int KeyNameCode(const char* name, int length, std::uint8_t layout);

// The code that the character key table gives `character` outside key names, or -1 for a
// character that types nothing.
int CharacterKeyCode(unsigned char character);

}  // namespace vorn::script
