// The lexical level of the script language, shared by the source pass and the statement
// translator. Every operation works on a line held in a byte buffer that ends with LF
// (lengths never include the LF); none allocates, none reads past the LF.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorn::script {

// Normalises the blanks of `line` (length characters) in place, stores LF after the
// result and returns the new length.
int SqueezeBlanks(char* line, int length);

// A squeezed statement line keeps one blank between its keyword and its first operand.
inline constexpr int kKeywordBlank = 1;

// Words read where an operand starts; their lengths give the position after them.
inline constexpr std::string_view kAllWord = "ALL";   // PRINT ALL
inline constexpr std::string_view kNotWord = "NOT ";  // Rn=NOT operand

// True when a register token R0..R15 starts at `text`. When `text` starts with R the
// scanned token length is reported (2 or 3 for a register).
bool IsRegisterToken(const char* text, int& tokenLength);

// Width classes of number tokens: what each kind of operand may hold. A class is also the
// most digits its numbers have; only the last two take a sign.
inline constexpr int kPsetRowClass = 1;     // 0..5
inline constexpr int kPsetColumnClass = 2;  // bounded by the layout
inline constexpr int kByteClass = 3;        // 0..255: PRINT counts, PSET values, B=k
inline constexpr int kFourDigitClass = 4;   // WAIT times and IF comparisons
inline constexpr int kWordClass = 5;        // 16 bits: assignment operands
// The classes of the PSET arguments column, row and value, in that order.
inline constexpr int kPsetArgumentClasses[] = {kPsetColumnClass, kPsetRowClass, kByteClass};

// True when a number token of width class kPsetRowClass..kWordClass starts at `text`;
// reports its length, '-' or "0X" included. `layout` bounds kPsetColumnClass (22 for
// layout 1, 18 for layout 2).
bool IsNumberToken(const char* text, int& tokenLength, int widthClass, std::uint8_t layout);

// The value of a number token of known length (decimal, '-' decimal, or 0X hexadecimal).
std::int32_t NumberValue(const char* text, int tokenLength);

// Converts `length` (1..255) characters of PRINT text into key codes appended at `codes`
// (room for one code per character); returns how many were written, or -1 when `layout`
// is neither 1 nor 2.
int KeyTextToCodes(const char* text, int length, std::uint8_t* codes, std::uint8_t layout);

}  // namespace vorn::script
