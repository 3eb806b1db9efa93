// The keyboard's script instruction set, as the encoder produces it from statement records,
// and the record forms that pick its table rows.
//
// One instruction in the encoder's stream; the keyboard and temp.o get it without L:
//
//   +---+--------+------------------------+
//   | L | opcode | L-1 operand bytes      |      L = 1..6
//   +---+--------+------------------------+
//
// Instruction address: offset of an opcode in the instructions without their L bytes.
// Jump targets are instruction addresses, 16 bits, low byte first.
//
// Operand bytes that pack two fields:
//
//   register pair  7      4 3      0        PSET position  7    5 4        0
//                 +--------+--------+                      +------+----------+
//                 | other  | target |                      | row  |  column  |
//                 +--------+--------+                      +------+----------+
//
// Every table row reads from the fields of the statement record (Translate.h):
// a, b, c, d are record bytes 3..6, p is byte 53, "key" the key code being printed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorn::script {

// Record forms (record byte 1): the translator writes them and each picks the row of the
// tables below that encodes the record. Forms are numbered within each statement kind.
namespace form {
inline constexpr std::uint8_t kNone = 0;  // no shape matched: nothing is encoded
// KIND_ASSIGN
inline constexpr std::uint8_t kRegisterFromB = 1;      // Rn=B
inline constexpr std::uint8_t kBFromRegister = 2;      // B=Rm
inline constexpr std::uint8_t kBFromNumber = 3;        // B=k
inline constexpr std::uint8_t kNumber = 4;             // Rn=k
inline constexpr std::uint8_t kRegister = 5;           // Rn=Rl
inline constexpr std::uint8_t kNegativeNumber = 24;    // Rn=-k
inline constexpr std::uint8_t kNegativeRegister = 25;  // Rn=-Rm
inline constexpr std::uint8_t kNotNumber = 55;         // Rn=NOT k
inline constexpr std::uint8_t kNotRegister = 56;       // Rn=NOT Rm
inline constexpr std::uint8_t kNoTarget = 255;         // left side neither register nor B

// KIND_ASSIGN with an arithmetic or logic operator: its forms, by which operand is the
// target register. A commutative operator has one form for Rn op X and X op Rn.
struct OperatorForms {
    std::uint8_t registerFirstSame;   // Rn=Rn op k
    std::uint8_t registerFirstOther;  // Rn=Rl op k
    std::uint8_t numberFirstSame;     // Rn=k op Rn
    std::uint8_t numberFirstOther;    // Rn=k op Rm
    std::uint8_t leftIsTarget;        // Rn=Rn op Rm
    std::uint8_t rightIsTarget;       // Rn=Rl op Rn
    std::uint8_t neitherIsTarget;     // Rn=Rl op Rm
};
inline constexpr OperatorForms kAddForms{6, 7, 6, 7, 8, 8, 9};
inline constexpr OperatorForms kSubtractForms{12, 14, 16, 18, 13, 17, 15};
inline constexpr OperatorForms kMultiplyForms{28, 30, 28, 30, 29, 29, 31};
inline constexpr OperatorForms kDivideForms{34, 36, 38, 40, 35, 39, 37};
inline constexpr OperatorForms kModForms{43, 45, 49, 51, 44, 50, 46};
inline constexpr OperatorForms kAndForms{59, 61, 59, 61, 60, 60, 62};
inline constexpr OperatorForms kOrForms{65, 67, 65, 67, 66, 66, 68};
inline constexpr OperatorForms kXorForms{71, 73, 71, 73, 72, 72, 74};

// KIND_IF: the forms of one comparison.
struct ComparisonForms {
    std::uint8_t withNumber;    // IF Rn op k
    std::uint8_t withRegister;  // IF Rn op Rm
};
inline constexpr ComparisonForms kEqualForms{1, 2};
inline constexpr ComparisonForms kNotEqualForms{3, 4};
inline constexpr ComparisonForms kGreaterForms{5, 6};
inline constexpr ComparisonForms kLessForms{7, 8};
inline constexpr ComparisonForms kGreaterOrEqualForms{9, 10};
inline constexpr ComparisonForms kLessOrEqualForms{11, 12};

// KIND_WAIT
inline constexpr std::uint8_t kWaitNumber = 1;
inline constexpr std::uint8_t kWaitRegister = 2;
// KIND_PRINT
inline constexpr std::uint8_t kPrintRegister = 1;        // PRINT Rn
inline constexpr std::uint8_t kPrintRegisters = 2;       // PRINT Rn,Rk
inline constexpr std::uint8_t kPrintRegisterNumber = 3;  // PRINT Rn,k
inline constexpr std::uint8_t kPrintText = 4;            // PRINT "Q"
inline constexpr std::uint8_t kPrintTextNumber = 5;      // PRINT "Q",k
inline constexpr std::uint8_t kPrintTextRegister = 6;    // PRINT "Q",Rk
inline constexpr std::uint8_t kPrintAll = 7;             // PRINT ALL
inline constexpr std::uint8_t kPrintAllRegister = 8;     // PRINT ALL,Rk
inline constexpr std::uint8_t kPrintAllNumber = 9;       // PRINT ALL,k
// KIND_PSET: the base form plus one bit per register argument (1 column, 2 row, 4 value)
inline constexpr std::uint8_t kPsetTwoArguments = 1;
inline constexpr std::uint8_t kPsetThreeArguments = 5;
}  // namespace form

namespace isa {

inline constexpr std::size_t kMaxOperands = 5;

// How one operand byte is made from the record.
enum class Operand : std::uint8_t {
    kA,
    kB,
    kC,
    kD,
    kP,
    kKey,       // the key code of a PRINT text being encoded
    kTarget,    // a jump target byte, written as 0 and patched later
    kBA,        // b:a, b in the high nibble
    kBA4,       // b:(a&0F)
    kCA,        // c:a
    kCA4,       // c:(a&0F)
    kCB,        // c:b
    kCB4,       // c:(b&0F)
    kPosition,  // (a&1F) + (b<<5): PSET column in bits 0..4, row in bits 5..7
};

struct Encoding {
    std::uint8_t form;  // the record form this row encodes
    std::uint8_t opcode;
    std::uint8_t operandCount;
    std::array<Operand, kMaxOperands> operands;
    bool perKeyCode = false;  // one instruction for each key code of the PRINT text
};

using enum Operand;

// Kinds of one fixed shape (the form is not looked at).
inline constexpr Encoding kCls{0, 0x00, 0, {}};
inline constexpr Encoding kEnd{0, 0xFF, 0, {}};
inline constexpr Encoding kClearInkey{0, 0xD2, 0, {}};
inline constexpr Encoding kRnd{0, 0xD0, 1, {kA}};
inline constexpr Encoding kInkey{0, 0xD1, 1, {kA}};
inline constexpr Encoding kWaitNumber{0, 0xC0, 2, {kA, kB}};
inline constexpr Encoding kWaitRegister{0, 0xC1, 1, {kA}};
// GOTO, and the jump at the end of an IF part that skips the ELSE part.
inline constexpr Encoding kJump{0, 0xF0, 2, {kTarget, kTarget}};

inline constexpr Encoding kPrintEncodings[] = {
    {form::kPrintRegister, 0x21, 1, {kA}},                  // PRINT Rn
    {form::kPrintRegisters, 0x27, 1, {kA}},                 // PRINT Rn,Rk (a is already k:n)
    {form::kPrintRegisterNumber, 0x25, 2, {kA, kB}},        // PRINT Rn,k
    {form::kPrintText, 0x20, 1, {kKey}, true},              // PRINT "Q"
    {form::kPrintTextNumber, 0x24, 2, {kKey, kP}, true},    // PRINT "Q",k
    {form::kPrintTextRegister, 0x26, 2, {kP, kKey}, true},  // PRINT "Q",Rk
    {form::kPrintAll, 0x28, 0, {}},                         // PRINT ALL
    {form::kPrintAllRegister, 0x2B, 1, {kA}},               // PRINT ALL,Rk
    {form::kPrintAllNumber, 0x2A, 1, {kA}},                 // PRINT ALL,k
};

// a = column x, b = row y, c = value v
inline constexpr Encoding kPsetEncodings[] = {
    {form::kPsetTwoArguments + 0, 0x34, 1, {kPosition}},        // PSET x,y
    {form::kPsetTwoArguments + 1, 0x35, 1, {kBA4}},             // PSET Rx,y
    {form::kPsetTwoArguments + 2, 0x36, 2, {kB, kA}},           // PSET x,Ry
    {form::kPsetTwoArguments + 3, 0x37, 1, {kBA4}},             // PSET Rx,Ry
    {form::kPsetThreeArguments + 0, 0x38, 2, {kPosition, kC}},  // PSET x,y,v
    {form::kPsetThreeArguments + 1, 0x39, 2, {kBA4, kC}},       // PSET Rx,y,v
    {form::kPsetThreeArguments + 2, 0x3A, 3, {kB, kA, kC}},     // PSET x,Ry,v
    {form::kPsetThreeArguments + 3, 0x3B, 2, {kBA4, kC}},       // PSET Rx,Ry,v
    {form::kPsetThreeArguments + 4, 0x3C, 2, {kC, kPosition}},  // PSET x,y,Rv
    {form::kPsetThreeArguments + 5, 0x3D, 2, {kCA4, kB}},       // PSET Rx,y,Rv
    {form::kPsetThreeArguments + 6, 0x3E, 2, {kCB4, kA}},       // PSET x,Ry,Rv
    {form::kPsetThreeArguments + 7, 0x3F, 2, {kBA4, kC}},       // PSET Rx,Ry,Rv
};

// n target register, l left register, m right register, k a 16-bit number
inline constexpr Encoding kAssignEncodings[] = {
    {form::kRegisterFromB, 0x05, 1, {kA}},                              // Rn=B
    {form::kBFromRegister, 0x03, 1, {kA}},                              // B=Rm
    {form::kBFromNumber, 0x02, 1, {kA}},                                // B=k
    {form::kNumber, 0x80, 3, {kA, kB, kC}},                             // Rn=k
    {form::kRegister, 0x81, 1, {kBA4}},                                 // Rn=Rl
    {form::kAddForms.registerFirstSame, 0x84, 3, {kA, kC, kD}},         // Rn=Rn+k, Rn=k+Rn
    {form::kAddForms.registerFirstOther, 0x86, 3, {kBA, kC, kD}},       // Rn=Rl+k, Rn=k+Rl
    {form::kAddForms.leftIsTarget, 0x85, 1, {kCB}},                     // Rn=Rn+Rm, Rn=Rm+Rn
    {form::kAddForms.neitherIsTarget, 0x87, 2, {kBA, kC}},              // Rn=Rl+Rm
    {form::kSubtractForms.registerFirstSame, 0x88, 3, {kA, kC, kD}},    // Rn=Rn-k
    {form::kSubtractForms.leftIsTarget, 0x89, 1, {kCA}},                // Rn=Rn-Rm
    {form::kSubtractForms.registerFirstOther, 0x8A, 3, {kBA, kC, kD}},  // Rn=Rl-k
    {form::kSubtractForms.neitherIsTarget, 0x8B, 2, {kBA, kC}},         // Rn=Rl-Rm
    {form::kSubtractForms.numberFirstSame, 0x8C, 3, {kA, kC, kD}},      // Rn=k-Rn
    {form::kSubtractForms.rightIsTarget, 0x8D, 1, {kBA}},               // Rn=Rl-Rn
    {form::kSubtractForms.numberFirstOther, 0x8E, 3, {kBA, kC, kD}},    // Rn=k-Rm
    {form::kNegativeNumber, 0x90, 3, {kA, kB, kC}},                     // Rn=-k
    {form::kNegativeRegister, 0x91, 1, {kBA}},                          // Rn=-Rm
    {form::kMultiplyForms.registerFirstSame, 0x94, 3, {kA, kC, kD}},    // Rn=Rn*k, Rn=k*Rn
    {form::kMultiplyForms.leftIsTarget, 0x95, 1, {kCB}},                // Rn=Rn*Rm, Rn=Rm*Rn
    {form::kMultiplyForms.registerFirstOther, 0x96, 3, {kBA, kC, kD}},  // Rn=Rl*k, Rn=k*Rl
    {form::kMultiplyForms.neitherIsTarget, 0x97, 2, {kBA, kC}},         // Rn=Rl*Rm
    {form::kDivideForms.registerFirstSame, 0x98, 3, {kA, kC, kD}},      // Rn=Rn/k
    {form::kDivideForms.leftIsTarget, 0x99, 1, {kCA}},                  // Rn=Rn/Rm
    {form::kDivideForms.registerFirstOther, 0x9A, 3, {kBA, kC, kD}},    // Rn=Rl/k
    {form::kDivideForms.neitherIsTarget, 0x9B, 2, {kBA, kC}},           // Rn=Rl/Rm
    {form::kDivideForms.numberFirstSame, 0x9C, 3, {kA, kC, kD}},        // Rn=k/Rn
    {form::kDivideForms.rightIsTarget, 0x9D, 1, {kBA}},                 // Rn=Rl/Rn
    {form::kDivideForms.numberFirstOther, 0x9E, 3, {kBA, kC, kD}},      // Rn=k/Rm
    {form::kModForms.registerFirstSame, 0xA8, 3, {kA, kC, kD}},         // Rn=Rn MOD k
    {form::kModForms.leftIsTarget, 0xA9, 1, {kCA}},                     // Rn=Rn MOD Rm
    {form::kModForms.registerFirstOther, 0xAA, 3, {kBA, kC, kD}},       // Rn=Rl MOD k
    {form::kModForms.neitherIsTarget, 0xAB, 2, {kBA, kC}},              // Rn=Rl MOD Rm
    {form::kModForms.numberFirstSame, 0xAC, 3, {kA, kC, kD}},           // Rn=k MOD Rn
    {form::kModForms.rightIsTarget, 0xAD, 1, {kBA}},                    // Rn=Rl MOD Rn
    {form::kModForms.numberFirstOther, 0xAE, 3, {kBA, kC, kD}},         // Rn=k MOD Rm
    {form::kNotNumber, 0xB0, 3, {kA, kB, kC}},                          // Rn=NOT k
    {form::kNotRegister, 0xB1, 1, {kBA}},                               // Rn=NOT Rm
    {form::kAndForms.registerFirstSame, 0xB4, 3, {kA, kC, kD}},         // Rn=Rn AND k, Rn=k AND Rn
    {form::kAndForms.leftIsTarget, 0xB5, 1, {kCA}},                // Rn=Rn AND Rm, Rn=Rm AND Rn
    {form::kAndForms.registerFirstOther, 0xB6, 3, {kBA, kC, kD}},  // Rn=Rl AND k, Rn=k AND Rl
    {form::kAndForms.neitherIsTarget, 0xB7, 2, {kBA, kC}},         // Rn=Rl AND Rm
    {form::kOrForms.registerFirstSame, 0xB8, 3, {kA, kC, kD}},     // Rn=Rn OR k, Rn=k OR Rn
    {form::kOrForms.leftIsTarget, 0xB9, 1, {kCA}},                 // Rn=Rn OR Rm, Rn=Rm OR Rn
    {form::kOrForms.registerFirstOther, 0xBA, 3, {kBA, kC, kD}},   // Rn=Rl OR k, Rn=k OR Rl
    {form::kOrForms.neitherIsTarget, 0xBB, 2, {kBA, kC}},          // Rn=Rl OR Rm
    {form::kXorForms.registerFirstSame, 0xBC, 3, {kA, kC, kD}},    // Rn=Rn XOR k, Rn=k XOR Rn
    {form::kXorForms.leftIsTarget, 0xBD, 1, {kCA}},                // Rn=Rn XOR Rm, Rn=Rm XOR Rn
    {form::kXorForms.registerFirstOther, 0xBE, 3, {kBA, kC, kD}},  // Rn=Rl XOR k, Rn=k XOR Rl
    {form::kXorForms.neitherIsTarget, 0xBF, 2, {kBA, kC}},         // Rn=Rl XOR Rm
};

// The target is where execution goes when the written condition does not hold; it is
// always the last two bytes. a = tested register n, b,c = number k or b = register m.
inline constexpr Encoding kIfEncodings[] = {
    {form::kEqualForms.withNumber, 0xE2, 5, {kA, kB, kC, kTarget, kTarget}},           // IF Rn=k
    {form::kEqualForms.withRegister, 0xE3, 3, {kBA, kTarget, kTarget}},                // IF Rn=Rm
    {form::kNotEqualForms.withNumber, 0xE0, 5, {kA, kB, kC, kTarget, kTarget}},        // IF Rn<>k
    {form::kNotEqualForms.withRegister, 0xE1, 3, {kBA, kTarget, kTarget}},             // IF Rn<>Rm
    {form::kGreaterForms.withNumber, 0xEA, 5, {kA, kB, kC, kTarget, kTarget}},         // IF Rn>k
    {form::kGreaterForms.withRegister, 0xEB, 3, {kBA, kTarget, kTarget}},              // IF Rn>Rm
    {form::kLessForms.withNumber, 0xE8, 5, {kA, kB, kC, kTarget, kTarget}},            // IF Rn<k
    {form::kLessForms.withRegister, 0xE9, 3, {kBA, kTarget, kTarget}},                 // IF Rn<Rm
    {form::kGreaterOrEqualForms.withNumber, 0xE6, 5, {kA, kB, kC, kTarget, kTarget}},  // IF Rn>=k
    {form::kGreaterOrEqualForms.withRegister, 0xE7, 3, {kBA, kTarget, kTarget}},       // IF Rn>=Rm
    {form::kLessOrEqualForms.withNumber, 0xE4, 5, {kA, kB, kC, kTarget, kTarget}},     // IF Rn<=k
    {form::kLessOrEqualForms.withRegister, 0xE5, 3, {kBA, kTarget, kTarget}},          // IF Rn<=Rm
};

}  // namespace isa
}  // namespace vorn::script
