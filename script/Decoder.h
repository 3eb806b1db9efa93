// Reads compiled instructions back: the intermediate file's lines become instructions, and
// each instruction becomes its statement again. Decoding inverts the rows of the encoding
// tables (InstructionSet.h) operand by operand, so an instruction the encoder can produce is
// read by the same row that wrote it; the listing and the dry run both work from this.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/InstructionSet.h"
#include "script/Translate.h"

namespace vorn::script {

inline constexpr std::size_t kMaxInstructionBytes = 1 + isa::kMaxOperands;

// One instruction as the keyboard receives it: opcode and operands, no length byte.
struct Instruction {
    std::uint32_t address = 0;
    std::array<std::uint8_t, kMaxInstructionBytes> bytes{};
    std::uint8_t length = 0;
};

// The instructions of intermediate-file text, one per CR LF line of upper-case hex pairs
// separated by one blank. False, with the line number (from 1) in `badLine`, when a line
// has another shape.
bool ParseIntermediateText(std::string_view text, std::vector<Instruction>& instructions,
                           int& badLine);

// The bytes of an instruction as the intermediate file writes them ("84 01 01 00").
std::string HexBytes(const Instruction& instruction);

// An instruction address as the listing and the dry run print it: four hex digits.
std::string HexAddress(std::uint32_t address);

// A label of the program, for naming jump targets.
struct LabelAt {
    std::uint32_t address;
    std::string name;  // without the colon
};

// An instruction read back into the statement record it was encoded from: kind, form and
// the operand fields the row stores (a, b, c, d, p, the key code at kCodes).
struct Decoded {
    const isa::Encoding* encoding = nullptr;
    Kind kind = KIND_CLS;
    std::uint8_t form = 0;
    StatementRecord record{};
    std::optional<std::uint16_t> target;  // jumps: where execution goes (IF: when false)
};

// Finds the table row of the instruction's opcode and reads its operands back. False for
// an opcode no row encodes or a length that is not the row's.
bool DecodeInstruction(const Instruction& instruction, Decoded& decoded);

// One operand of an assignment: a register or a 16-bit number.
struct Term {
    bool isRegister = false;
    std::uint8_t reg = 0;
    std::uint16_t value = 0;
};

enum class Operation : std::uint8_t {
    kCopy,  // target = right
    kNegate,
    kNot,
    kAdd,
    kSubtract,
    kMultiply,
    kDivide,
    kMod,
    kAnd,
    kOr,
    kXor,
    kFromB,  // target = B
    kToB,    // B = right
};

// What an assignment instruction computes: target = left op right (unary operations and
// copies use right only).
struct Assignment {
    Operation operation = Operation::kCopy;
    std::uint8_t target = 0;
    Term left;
    Term right;
};

// The computation of a decoded KIND_ASSIGN instruction; nullopt for another kind.
std::optional<Assignment> AssignmentOf(const Decoded& decoded);

// The comparisons of IF, in the order of the forms.
enum class Comparison : std::uint8_t {
    kEqual,
    kNotEqual,
    kGreater,
    kLess,
    kGreaterOrEqual,
    kLessOrEqual
};

struct Condition {
    Comparison comparison = Comparison::kEqual;
    std::uint8_t reg = 0;
    Term operand;
};

// The condition of a decoded IF instruction; nullopt for another kind.
std::optional<Condition> ConditionOf(const Decoded& decoded);

// A key code as PRINT text writes it: a letter, digit or sign the character key table
// gives it, else <NAME> from the layout's key-name table (or the other table), else
// <0XNN> for a code no text types.
std::string KeyCodeText(std::uint8_t code, std::uint8_t layout);

// A key code by the name of its key: the character on the key (unshifted) or the key name
// of the layout; "0XNN" when there is neither.
std::string KeyCodeName(std::uint8_t code, std::uint8_t layout);

// The statement a decoded instruction encodes, in the normalised form the source pass
// keeps ("R1=R2+5", "IF R1<10 THEN", "PRINT \"A\",3"). A jump names the label at its
// target (GOTO LOOP), or is "GOTO" alone when no label is there (the jump over an ELSE
// part). Compiling the statement gives the same instruction again.
std::string StatementText(const Decoded& decoded, std::uint8_t layout,
                          std::span<const LabelAt> labels);

// StatementText with the jump target as an address and the labels there:
// "GOTO LOOP -> 0000", "IF R1<10 THEN else -> 000D".
std::string ReadableForm(const Decoded& decoded, std::uint8_t layout,
                         std::span<const LabelAt> labels);

// The label names at `address`, joined by ", "; empty when there are none.
std::string LabelsAt(std::uint32_t address, std::span<const LabelAt> labels);

}  // namespace vorn::script
