// The seven keyboard models the program supports. A keyboard is recognised by the pair
// (vendor id, product id) of its HID interface; the row index is the model number.
//
// The pair is unique per row, the name is not: rows 1 and 4 are both "Tessik" and differ
// only in the vendor id, so a lookup by name that lands on row 1 instead of row 4 still
// gives the right slot count and script layout.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::hid {

struct ModelRow {
    std::string_view name;
    std::uint16_t vendorId;
    std::uint16_t productId;
    // 0 for a model that takes no scripts; non-zero exactly when scriptLayout is.
    std::int32_t scriptSlotCount;
    // 0 (no scripts), 1 or 2: the key-name table set and bounds the compiler uses.
    std::uint8_t scriptLayout;
};

inline constexpr int kModelCount = 7;

inline constexpr std::array<ModelRow, kModelCount> kModelTable{{
    {"Orvane", 0x0A34, 0x0212, 0, 0},
    {"Tessik", 0x0A34, 0x0211, 0, 0},
    {"Orvane Pro", 0x0F39, 0x1085, 10, 1},
    {"Tessik Pro", 0x0F39, 0x0876, 10, 2},
    {"Tessik", 0x0F39, 0x0211, 0, 0},
    {"Orvane Lyric", 0x0F39, 0x104B, 0, 0},
    {"Brellow", 0x0F39, 0x108A, 0, 0},
}};

// The name of the row with both ids; empty when no row has them.
std::string ModelNameFor(std::uint16_t vendorId, std::uint16_t productId);

// The first row, in table order, whose name equals `name` byte for byte.
std::optional<int> RowForName(std::string_view name);

// Column reads; a model number outside the table reads as a model without scripts.
std::int32_t ScriptSlotCount(int model);
std::uint8_t ScriptLayout(int model);

}  // namespace vorn::hid
