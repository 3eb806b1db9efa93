// The script compiler's shared storage: the program text buffer and the label table that
// the source pass fills and the encoder reads, and the script layout of the compile.
// One object per compile owner (the program keeps one); cleared at the start of every
// compile; fixed-size, so nothing is allocated per line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorn::script {

inline constexpr std::size_t kProgramTextSize = 10240;
inline constexpr std::size_t kMaxLabels = 100;
inline constexpr std::size_t kLabelSize = 31;  // a label of 31 characters has no zero byte
inline constexpr std::size_t kMessageSize = 512;
inline constexpr std::size_t kExplanationSize = 256;
// The shortest accepted line ("A:") and its CR LF take 4 bytes; one more for the END.
inline constexpr std::size_t kMaxProgramLines = kProgramTextSize / 4 + 1;

// Why a compile was refused, in words, beside the message the user has always seen:
// where (line and column from 1, as an editor counts them; 0 when the refusal has no
// place) and a suggestion where one is obvious. Fixed-size: written once per refusal.
struct Explanation {
    int line = 0;
    int column = 0;
    std::array<char, kExplanationSize> why{};
    std::array<char, kExplanationSize> suggestion{};

    bool Empty() const { return why[0] == '\0'; }
    void Clear() {
        line = 0;
        column = 0;
        why.fill(0);
        suggestion.fill(0);
    }
};

struct CompilerState {
    // Accepted lines, each squeezed and ended by CR LF, then "END" LF; zeros after that.
    std::array<char, kProgramTextSize> programText{};
    std::uint32_t programLength = 0;
    // Label lines in file order, colon included, zero-padded to 31 bytes.
    std::array<std::array<char, kLabelSize>, kMaxLabels> labels{};
    std::uint32_t labelCount = 0;
    // The file's line number of each entry of the program text, the final END included.
    std::array<std::uint32_t, kMaxProgramLines> sourceLines{};
    std::uint32_t programLines = 0;
    // 1 or 2 for the models that take scripts; picks the key-name table and the PSET
    // column bound.
    std::uint8_t scriptLayout = 0;
    // Where the encoder writes its intermediate file; the product uses "temp.o" in the
    // current directory.
    std::string intermediatePath = "temp.o";
    // The translator's trace lines ("Command:PRINT" ...) on standard output; the tools
    // turn them off unless asked for.
    bool trace = true;
    // Filled when a compile is refused.
    Explanation explanation;
    // Whether the script download shows the explanation as its message box's detail;
    // vornctl keeps its output to the message alone.
    bool explainInDetail = true;

    void ClearProgram() {
        programText.fill(0);
        programLength = 0;
        for (auto& label : labels) label.fill(0);
        labelCount = 0;
        sourceLines.fill(0);
        programLines = 0;
        explanation.Clear();
    }
};

}  // namespace vorn::script
