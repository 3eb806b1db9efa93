// Statement translation: one line of the program text buffer becomes one statement record,
// which the encoder turns into instructions. The translator trusts the source pass's
// checks; its tests are only as strict as needed to tell the forms apart.
//
// Statement record, 54 bytes, cleared by the caller before each line:
//
//   0      1      2       3    4    5    6    7 ..        52   53
//   +------+------+-------+----+----+----+----+---- ... ----+----+
//   | kind | form | count | a  | b  | c  | d  |             | p  |
//   +------+------+-------+----+----+----+----+---- ... ----+----+
//                         |<---- PRINT key codes, up to 50 -->|
//
// 16-bit numbers are stored low byte first (b,c or c,d), as the low 16 bits of their
// two's-complement value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "script/CompilerState.h"
#include "script/InstructionSet.h"  // the record forms (byte 1)

namespace vorn::script {

inline constexpr std::size_t kRecordSize = 54;
using StatementRecord = std::array<std::uint8_t, kRecordSize>;

// Byte offsets of the record's fields.
namespace field {
inline constexpr std::size_t kKind = 0;
inline constexpr std::size_t kForm = 1;
inline constexpr std::size_t kCount = 2;
inline constexpr std::size_t kA = 3;
inline constexpr std::size_t kB = 4;
inline constexpr std::size_t kC = 5;
inline constexpr std::size_t kD = 6;
inline constexpr std::size_t kCodes = 3;
inline constexpr std::size_t kMaxCodes = 50;
inline constexpr std::size_t kP = 53;
}  // namespace field

// Statement kinds (record byte 0).
enum Kind : std::uint8_t {
    KIND_CLS = 0x00,  // also what a record nothing filled holds
    KIND_PRINT = 0x20,
    KIND_PSET = 0x34,
    KIND_WAIT = 0xC0,
    KIND_RND = 0xD0,
    KIND_INKEY = 0xD1,
    KIND_CLEAR = 0xD2,
    KIND_IF = 0xE0,
    KIND_ELSE = 0xE1,
    KIND_END_IF = 0xE2,
    KIND_GOTO = 0xF0,
    KIND_LABEL = 0xF1,
    KIND_ASSIGN = 0xFE,
    KIND_END = 0xFF,
};

// Fills `record` (already cleared) from `line`: the line's text, one LF and a zero byte;
// `length` counts the characters up to and including the LF. Reads the label table (GOTO)
// and the script layout (PSET column bound, PRINT key names) of `state`. Writes the trace
// lines "Command END", "Command CLR" and "Command:<keyword>" to standard output.
// Returns false when the line has none of the statement shapes, or when its PRINT text
// cannot be converted into at most 50 key codes; the record must then not be encoded.
bool TranslateStatement(const CompilerState& state, const char* line, int length,
                        StatementRecord& record);

// The register number of a register token already known to be one (R0..R15);
// `tokenLength` 3 means two digits.
std::uint8_t RegisterNumber(const char* token, int tokenLength);

}  // namespace vorn::script
