// The About box's hidden message: a 13-byte code that, typed into the hidden field, shows a
// 352-byte message. Both are kept scrambled in the program's data, each byte stored as the
// complement of the byte with its two 4-bit halves swapped (its own inverse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorn::app {

inline constexpr std::size_t kHiddenCodeLength = 13;
inline constexpr std::size_t kHiddenMessageLength = 352;

// Complement of the nibble swap; applying it twice gives the byte back.
constexpr std::uint8_t ScrambleByte(std::uint8_t b) {
    return static_cast<std::uint8_t>(~((b >> 4) | (b << 4)));
}

// The stored, scrambled forms.
std::span<const std::uint8_t> ScrambledHiddenCode();
std::span<const std::uint8_t> ScrambledHiddenMessage();

// True when the first 13 characters of `text` are the code. The end of a shorter text
// counts as a NUL character, which never matches, so a shorter text never matches.
bool HiddenCodeMatches(std::string_view text);

// The message, unscrambled.
std::string HiddenMessage();

}  // namespace vorn::app
