// The compiler over arbitrary script files. Whatever the bytes, EncodeProgram must either
// succeed with a well-formed intermediate file or refuse with exactly one message, never
// touch the script, leave an earlier temp.o alone when it refuses, give the same answer
// for the same file however many compiles came before, and compile alike for both
// layouts whatever layout 2 accepts.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"
#include "fuzz/harness/ScratchDir.h"
#include "script/Encoder.h"

namespace vorn::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What an earlier download left behind; a refused compile must not disturb it.
const Bytes kEarlierTempFile{'8', '0', ' ', '0', '1', '\r', '\n', 'F', 'F', '\r', '\n'};

constexpr std::size_t kStreamBound = 10240;
constexpr std::uint8_t kCanary = 0x5A;
constexpr std::size_t kCanaryBytes = 64;

struct Outcome {
    int result = -1;
    std::string message;
    Bytes intermediate;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// Bytes of each instruction, by opcode (0: not an opcode of the keyboard's set).
constexpr std::array<std::uint8_t, 256> InstructionLengths() {
    std::array<std::uint8_t, 256> n{};
    for (int op : {0x00, 0xFF, 0xD2, 0x28}) n[op] = 1;
    for (int op :
         {0xD0, 0xD1, 0xC1, 0x21, 0x27, 0x20, 0x2B, 0x2A, 0x34, 0x35, 0x37, 0x05, 0x03, 0x02,
          0x81, 0x85, 0x89, 0x8D, 0x91, 0x95, 0x99, 0x9D, 0xA9, 0xAD, 0xB1, 0xB5, 0xB9, 0xBD})
        n[op] = 2;
    for (int op : {0xC0, 0xF0, 0x25, 0x24, 0x26, 0x36, 0x38, 0x39, 0x3B, 0x3C, 0x3D,
                   0x3E, 0x3F, 0x87, 0x8B, 0x97, 0x9B, 0xAB, 0xB7, 0xBB, 0xBF})
        n[op] = 3;
    for (int op : {0x3A, 0x80, 0x84, 0x86, 0x88, 0x8A, 0x8C, 0x8E, 0x90, 0x94, 0x96, 0x98, 0x9A,
                   0x9C, 0x9E, 0xA8, 0xAA, 0xAC, 0xAE, 0xB0, 0xB4, 0xB6, 0xB8, 0xBA, 0xBC, 0xBE})
        n[op] = 4;
    for (int op = 0xE0; op <= 0xEB; ++op) n[op] = (op & 1) ? 4 : 6;
    return n;
}
constexpr std::array<std::uint8_t, 256> kInstructionLength = InstructionLengths();

constexpr bool IsJump(std::uint8_t op) { return op == 0xF0 || (op >= 0xE0 && op <= 0xEB); }

int HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not the file's form either
}

// One line of temp.o, "HH HH ... HH" CR LF, into its bytes; false when malformed.
bool ParseLine(const Bytes& file, std::size_t& at, Bytes& instruction) {
    instruction.clear();
    for (;;) {
        if (at + 2 > file.size()) return false;
        const int high = HexDigit(file[at]), low = HexDigit(file[at + 1]);
        if (high < 0 || low < 0) return false;
        instruction.push_back(static_cast<std::uint8_t>(high * 16 + low));
        at += 2;
        if (at < file.size() && file[at] == ' ') {
            ++at;
            continue;
        }
        if (at + 2 > file.size() || file[at] != '\r' || file[at + 1] != '\n') return false;
        at += 2;
        return true;
    }
}

// The intermediate file of a successful compile: known instructions of the right length,
// within the keyboard's stream bound, jumps landing on an instruction, END last.
void CheckIntermediateFile(const Bytes& file) {
    Check(!file.empty(), "compile succeeded with an empty temp.o");
    std::vector<Bytes> instructions;
    std::vector<std::uint32_t> addresses;
    std::uint32_t address = 0, streamBytes = 0;
    for (std::size_t at = 0; at < file.size();) {
        Bytes instruction;
        if (!ParseLine(file, at, instruction)) {
            Check(false, "temp.o line is not upper-case hex pairs ended by CR LF");
            return;
        }
        Check(kInstructionLength[instruction[0]] == instruction.size(),
              "temp.o holds an unknown opcode or an instruction of the wrong length");
        addresses.push_back(address);
        address += static_cast<std::uint32_t>(instruction.size());
        streamBytes += static_cast<std::uint32_t>(instruction.size() + 1);
        instructions.push_back(std::move(instruction));
    }
    Check(streamBytes <= kStreamBound, "instruction stream beyond 10240 bytes");
    Check(instructions.back() == Bytes{0xFF}, "temp.o does not end with the END instruction");
    for (std::size_t i = 0; i < instructions.size(); ++i) {
        const Bytes& in = instructions[i];
        if (!IsJump(in[0]) || in.size() != kInstructionLength[in[0]]) continue;
        const std::uint32_t target = in[in.size() - 2] | (in[in.size() - 1] << 8);
        Check(std::binary_search(addresses.begin(), addresses.end(), target),
              "a jump lands between instructions or past the program");
        if (in[0] != 0xF0) Check(target > addresses[i], "an IF jumps backwards");
    }
}

std::size_t PhysicalLines(std::span<const std::uint8_t> script) {
    return 1 + static_cast<std::size_t>(std::count(script.begin(), script.end(), '\n'));
}

// One message, ending in its only LF, inside the 512 bytes; a line number that exists.
void CheckMessage(const char* buffer, std::span<const std::uint8_t> script) {
    const void* nul = std::memchr(buffer, '\0', script::kMessageSize);
    Check(nul != nullptr, "failure message not terminated within 512 bytes");
    if (!nul) return;
    const std::string text(buffer);
    Check(!text.empty(), "compile failed without a message");
    Check(!text.empty() && text.back() == '\n', "failure message does not end in LF");
    Check(std::count(text.begin(), text.end(), '\n') == 1, "failure message holds several lines");
    static constexpr char kWrong[] = "Wrong command, Line ";
    if (text.rfind(kWrong, 0) == 0) {
        const long line = std::strtol(text.c_str() + sizeof kWrong - 1, nullptr, 10);
        Check(line >= 1 && static_cast<std::size_t>(line) <= PhysicalLines(script),
              "Wrong command names a line the file does not have");
    }
}

Outcome CompileOnce(script::CompilerState& state, const std::string& scriptPath,
                    std::span<const std::uint8_t> script, std::uint8_t layout) {
    const std::string& temp = state.intermediatePath;
    Check(WriteFile(temp, kEarlierTempFile), "cannot prepare temp.o");
    std::array<char, script::kMessageSize + kCanaryBytes> message;
    message.fill(static_cast<char>(kCanary));
    Outcome outcome;
    outcome.result = script::EncodeProgram(state, scriptPath.c_str(), message.data(), layout);
    Check(std::all_of(message.begin() + script::kMessageSize, message.end(),
                      [](char c) { return c == static_cast<char>(kCanary); }),
          "compiler wrote past the 512-byte message buffer");
    const bool present = ReadFile(temp, outcome.intermediate);
    if (outcome.result == 0) {
        Check(present, "compile succeeded without a temp.o");
        CheckIntermediateFile(outcome.intermediate);
    } else if (outcome.result == 1) {
        CheckMessage(message.data(), script);
        outcome.message = message.data();
        Check(present && outcome.intermediate == kEarlierTempFile,
              "a refused compile changed the temp.o an earlier compile left");
    } else {
        Check(false, "EncodeProgram returned neither 0 nor 1");
    }
    Bytes after;
    Check(ReadFile(scriptPath, after) &&
              std::equal(after.begin(), after.end(), script.begin(), script.end()),
          "compiling changed the script file");
    return outcome;
}

}  // namespace

void RunCompilerInput(std::span<const std::uint8_t> input) {
    // One compiler object for every compile, as the program keeps one for its whole run.
    static script::CompilerState state;
    static const std::string scriptPath = ScratchFile("script.vs");
    state.intermediatePath = ScratchFile("temp.o");
    Check(WriteFile(scriptPath, input), "cannot write the script file");
    const Outcome first = CompileOnce(state, scriptPath, input, 1);
    const Outcome second = CompileOnce(state, scriptPath, input, 2);
    const Outcome again = CompileOnce(state, scriptPath, input, 1);
    Check(again == first, "a compile depends on the compile before it");
    // Layout 2 knows fewer key names and a lower PSET column bound, and gives every name
    // it knows the code layout 1 gives it: what it accepts, layout 1 compiles alike.
    if (second.result == 0) {
        Check(first.result == 0, "layout 2 accepts a script that layout 1 refuses");
        Check(first.intermediate == second.intermediate,
              "a script compiles differently for layout 1 and layout 2");
    }
}

}  // namespace vorn::fuzz
