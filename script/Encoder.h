// The compiler's driver and back end: runs the source pass over a script file, translates
// every program line, encodes the records as instructions of the keyboard's script
// instruction set (InstructionSet.h), resolves jumps and writes the intermediate file.
//
// Intermediate file: one instruction per line, its bytes (opcode first, no length byte) as
// upper-case hex pairs separated by one blank, CR LF after the last; no header, no trailer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "script/CompilerState.h"

namespace vorn::script {

inline constexpr std::size_t kStreamSize = 10240;

// The shortest instruction takes 2 stream bytes: its length byte and its opcode.
inline constexpr std::size_t kMaxInstructions = kStreamSize / 2;

// Instructions in program order, each behind its length byte, and where they came from.
struct InstructionStream {
    std::array<std::uint8_t, kStreamSize> bytes{};
    std::uint32_t length = 0;
    // For each instruction, the index of the program line it was encoded from.
    std::array<std::uint16_t, kMaxInstructions> programLine{};
    std::uint32_t instructionCount = 0;
    // The instruction address of each label, in label table order.
    std::array<std::uint32_t, kMaxLabels> labelAddresses{};
    // The index of the program line of each label.
    std::array<std::uint16_t, kMaxLabels> labelProgramLine{};
    std::uint32_t labelCount = 0;
    // The program line being encoded when the encoding stopped (the failing one).
    std::uint32_t lastProgramLine = 0;
};

// Compiles the script at `path` for `layout` (the model's script layout) and writes the
// intermediate file at state.intermediatePath. 0 on success. 1 on failure, with one
// message ending in LF in `message` (kMessageSize bytes): the source pass's message, a
// script the encoder's tables cannot hold, or an intermediate file that could not be
// written (then no file, old or partial, is left behind for a download to read). A
// failure before the write leaves an existing intermediate file untouched.
int EncodeProgram(CompilerState& state, const char* path, char* message, std::uint8_t layout);

// EncodeProgram that keeps the instructions in `stream`, with the program line of each and
// the label addresses, for a listing.
int EncodeProgramInto(CompilerState& state, const char* path, char* message, std::uint8_t layout,
                      InstructionStream& stream);

// EncodeProgram after a successful source pass: encodes the program text of `state` into
// `stream` and writes the intermediate file; fills state.explanation when it refuses.
int EncodeAndWrite(CompilerState& state, InstructionStream& stream, char* message);

// The encoding half of EncodeProgram: the program text buffer and label table that a
// source pass filled in `state` become `stream`. 0 on success, 1 with a message.
int EncodeProgramText(const CompilerState& state, InstructionStream& stream, char* message);

// Writes the `length` bytes of `stream` as the intermediate file at `path`, replacing an
// existing one. On failure writes "Cannot create %s file!\n" (or "Cannot write ...") to
// standard output and to `message`, removes what it had written and returns false.
bool WriteIntermediateFile(const std::uint8_t* stream, std::size_t length, const char* path,
                           char* message);

}  // namespace vorn::script
