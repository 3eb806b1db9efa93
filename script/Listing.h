// The listing of a compiled script: each instruction with its address, its bytes as the
// intermediate file holds them, the source line it came from and its statement read back
// from the instruction set, with the labels where they stand.
#pragma once

#include <string>
#include <vector>

#include "script/CompilerState.h"
#include "script/Decoder.h"
#include "script/Encoder.h"

namespace vorn::script {

// The labels of a compiled program with their instruction addresses.
std::vector<LabelAt> ProgramLabels(const CompilerState& state, const InstructionStream& stream);

// The listing of `instructions` (read back from the intermediate file of the compile that
// filled `state` and `stream`). Empty when the two do not describe the same program.
std::string ListingText(const CompilerState& state, const InstructionStream& stream,
                        const std::vector<Instruction>& instructions);

}  // namespace vorn::script
