// The keyboard's script instruction set, as the encoder produces it from statement records.
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

namespace vorn::script::isa {

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
    {1, 0x21, 1, {kA}},              // PRINT Rn
    {2, 0x27, 1, {kA}},              // PRINT Rn,Rk (a is already k:n)
    {3, 0x25, 2, {kA, kB}},          // PRINT Rn,k
    {4, 0x20, 1, {kKey}, true},      // PRINT "Q"
    {5, 0x24, 2, {kKey, kP}, true},  // PRINT "Q",k
    {6, 0x26, 2, {kP, kKey}, true},  // PRINT "Q",Rk
    {7, 0x28, 0, {}},                // PRINT ALL
    {8, 0x2B, 1, {kA}},              // PRINT ALL,Rk
    {9, 0x2A, 1, {kA}},              // PRINT ALL,k
};

// a = column x, b = row y, c = value v
inline constexpr Encoding kPsetEncodings[] = {
    {1, 0x34, 1, {kPosition}},      // PSET x,y
    {2, 0x35, 1, {kBA4}},           // PSET Rx,y
    {3, 0x36, 2, {kB, kA}},         // PSET x,Ry
    {4, 0x37, 1, {kBA4}},           // PSET Rx,Ry
    {5, 0x38, 2, {kPosition, kC}},  // PSET x,y,v
    {6, 0x39, 2, {kBA4, kC}},       // PSET Rx,y,v
    {7, 0x3A, 3, {kB, kA, kC}},     // PSET x,Ry,v
    {8, 0x3B, 2, {kBA4, kC}},       // PSET Rx,Ry,v
    {9, 0x3C, 2, {kC, kPosition}},  // PSET x,y,Rv
    {10, 0x3D, 2, {kCA4, kB}},      // PSET Rx,y,Rv
    {11, 0x3E, 2, {kCB4, kA}},      // PSET x,Ry,Rv
    {12, 0x3F, 2, {kBA4, kC}},      // PSET Rx,Ry,Rv
};

// n target register, l left register, m right register, k a 16-bit number
inline constexpr Encoding kAssignEncodings[] = {
    {1, 0x05, 1, {kA}},            // Rn=B
    {2, 0x03, 1, {kA}},            // B=Rm
    {3, 0x02, 1, {kA}},            // B=k
    {4, 0x80, 3, {kA, kB, kC}},    // Rn=k
    {5, 0x81, 1, {kBA4}},          // Rn=Rl
    {6, 0x84, 3, {kA, kC, kD}},    // Rn=Rn+k, Rn=k+Rn
    {7, 0x86, 3, {kBA, kC, kD}},   // Rn=Rl+k, Rn=k+Rl
    {8, 0x85, 1, {kCB}},           // Rn=Rn+Rm, Rn=Rm+Rn
    {9, 0x87, 2, {kBA, kC}},       // Rn=Rl+Rm
    {12, 0x88, 3, {kA, kC, kD}},   // Rn=Rn-k
    {13, 0x89, 1, {kCA}},          // Rn=Rn-Rm
    {14, 0x8A, 3, {kBA, kC, kD}},  // Rn=Rl-k
    {15, 0x8B, 2, {kBA, kC}},      // Rn=Rl-Rm
    {16, 0x8C, 3, {kA, kC, kD}},   // Rn=k-Rn
    {17, 0x8D, 1, {kBA}},          // Rn=Rl-Rn
    {18, 0x8E, 3, {kBA, kC, kD}},  // Rn=k-Rm
    {24, 0x90, 3, {kA, kB, kC}},   // Rn=-k
    {25, 0x91, 1, {kBA}},          // Rn=-Rm
    {28, 0x94, 3, {kA, kC, kD}},   // Rn=Rn*k, Rn=k*Rn
    {29, 0x95, 1, {kCB}},          // Rn=Rn*Rm, Rn=Rm*Rn
    {30, 0x96, 3, {kBA, kC, kD}},  // Rn=Rl*k, Rn=k*Rl
    {31, 0x97, 2, {kBA, kC}},      // Rn=Rl*Rm
    {34, 0x98, 3, {kA, kC, kD}},   // Rn=Rn/k
    {35, 0x99, 1, {kCA}},          // Rn=Rn/Rm
    {36, 0x9A, 3, {kBA, kC, kD}},  // Rn=Rl/k
    {37, 0x9B, 2, {kBA, kC}},      // Rn=Rl/Rm
    {38, 0x9C, 3, {kA, kC, kD}},   // Rn=k/Rn
    {39, 0x9D, 1, {kBA}},          // Rn=Rl/Rn
    {40, 0x9E, 3, {kBA, kC, kD}},  // Rn=k/Rm
    {43, 0xA8, 3, {kA, kC, kD}},   // Rn=Rn MOD k
    {44, 0xA9, 1, {kCA}},          // Rn=Rn MOD Rm
    {45, 0xAA, 3, {kBA, kC, kD}},  // Rn=Rl MOD k
    {46, 0xAB, 2, {kBA, kC}},      // Rn=Rl MOD Rm
    {49, 0xAC, 3, {kA, kC, kD}},   // Rn=k MOD Rn
    {50, 0xAD, 1, {kBA}},          // Rn=Rl MOD Rn
    {51, 0xAE, 3, {kBA, kC, kD}},  // Rn=k MOD Rm
    {55, 0xB0, 3, {kA, kB, kC}},   // Rn=NOT k
    {56, 0xB1, 1, {kBA}},          // Rn=NOT Rm
    {59, 0xB4, 3, {kA, kC, kD}},   // Rn=Rn AND k, Rn=k AND Rn
    {60, 0xB5, 1, {kCA}},          // Rn=Rn AND Rm, Rn=Rm AND Rn
    {61, 0xB6, 3, {kBA, kC, kD}},  // Rn=Rl AND k, Rn=k AND Rl
    {62, 0xB7, 2, {kBA, kC}},      // Rn=Rl AND Rm
    {65, 0xB8, 3, {kA, kC, kD}},   // Rn=Rn OR k, Rn=k OR Rn
    {66, 0xB9, 1, {kCA}},          // Rn=Rn OR Rm, Rn=Rm OR Rn
    {67, 0xBA, 3, {kBA, kC, kD}},  // Rn=Rl OR k, Rn=k OR Rl
    {68, 0xBB, 2, {kBA, kC}},      // Rn=Rl OR Rm
    {71, 0xBC, 3, {kA, kC, kD}},   // Rn=Rn XOR k, Rn=k XOR Rn
    {72, 0xBD, 1, {kCA}},          // Rn=Rn XOR Rm, Rn=Rm XOR Rn
    {73, 0xBE, 3, {kBA, kC, kD}},  // Rn=Rl XOR k, Rn=k XOR Rl
    {74, 0xBF, 2, {kBA, kC}},      // Rn=Rl XOR Rm
};

// The target is where execution goes when the written condition does not hold; it is
// always the last two bytes. a = tested register n, b,c = number k or b = register m.
inline constexpr Encoding kIfEncodings[] = {
    {1, 0xE2, 5, {kA, kB, kC, kTarget, kTarget}},   // IF Rn=k
    {2, 0xE3, 3, {kBA, kTarget, kTarget}},          // IF Rn=Rm
    {3, 0xE0, 5, {kA, kB, kC, kTarget, kTarget}},   // IF Rn<>k
    {4, 0xE1, 3, {kBA, kTarget, kTarget}},          // IF Rn<>Rm
    {5, 0xEA, 5, {kA, kB, kC, kTarget, kTarget}},   // IF Rn>k
    {6, 0xEB, 3, {kBA, kTarget, kTarget}},          // IF Rn>Rm
    {7, 0xE8, 5, {kA, kB, kC, kTarget, kTarget}},   // IF Rn<k
    {8, 0xE9, 3, {kBA, kTarget, kTarget}},          // IF Rn<Rm
    {9, 0xE6, 5, {kA, kB, kC, kTarget, kTarget}},   // IF Rn>=k
    {10, 0xE7, 3, {kBA, kTarget, kTarget}},         // IF Rn>=Rm
    {11, 0xE4, 5, {kA, kB, kC, kTarget, kTarget}},  // IF Rn<=k
    {12, 0xE5, 3, {kBA, kTarget, kTarget}},         // IF Rn<=Rm
};

}  // namespace vorn::script::isa
