#include "script/Listing.h"

#include <cstdio>
#include <cstring>

namespace vorn::script {
namespace {

std::string Row(const char* address, const std::string& bytes, unsigned line,
                const std::string& text) {
    char head[64];
    std::snprintf(head, sizeof head, "%-4s  %-17s  %4u  ", address, bytes.c_str(), line);
    return head + text + "\n";
}

unsigned SourceLine(const CompilerState& state, std::uint32_t programLine) {
    return programLine < state.programLines ? state.sourceLines[programLine] : 0;
}

}  // namespace

std::vector<LabelAt> ProgramLabels(const CompilerState& state, const InstructionStream& stream) {
    std::vector<LabelAt> labels;
    for (std::uint32_t k = 0; k < stream.labelCount && k < state.labelCount; ++k) {
        const auto& entry = state.labels[k];
        const char* colon = static_cast<const char*>(std::memchr(entry.data(), ':', entry.size()));
        const std::size_t length = colon ? static_cast<std::size_t>(colon - entry.data()) : 0;
        labels.push_back({stream.labelAddresses[k], std::string(entry.data(), length)});
    }
    return labels;
}

std::string ListingText(const CompilerState& state, const InstructionStream& stream,
                        const std::vector<Instruction>& instructions) {
    if (instructions.size() != stream.instructionCount) return {};
    const std::vector<LabelAt> labels = ProgramLabels(state, stream);
    std::string text = "ADDR  BYTES              LINE  INSTRUCTION\n";
    std::size_t nextLabel = 0;
    const auto labelsBefore = [&](std::uint32_t programLine) {
        while (nextLabel < labels.size() && stream.labelProgramLine[nextLabel] < programLine) {
            text += Row(HexAddress(labels[nextLabel].address).c_str(), "",
                        SourceLine(state, stream.labelProgramLine[nextLabel]),
                        labels[nextLabel].name + ":");
            ++nextLabel;
        }
    };
    for (std::size_t i = 0; i < instructions.size(); ++i) {
        const std::uint32_t programLine = stream.programLine[i];
        labelsBefore(programLine);
        Decoded decoded;
        const std::string form = DecodeInstruction(instructions[i], decoded)
                                     ? ReadableForm(decoded, state.scriptLayout, labels)
                                     : "(no instruction of the keyboard)";
        text += Row(HexAddress(instructions[i].address).c_str(), HexBytes(instructions[i]),
                    SourceLine(state, programLine), form);
    }
    labelsBefore(UINT32_MAX);
    return text;
}

}  // namespace vorn::script
