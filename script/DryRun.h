// A dry run of compiled instructions: what the keyboard would do with them, worked out from
// the instructions alone (read back from the intermediate file, not from the source).
//
// What the run assumes where the instruction set says no more:
//   - R0..R15 hold 16-bit values; arithmetic wraps around (two's complement).
//   - IF compares as signed 16-bit numbers (-32768..32767).
//   - / truncates toward zero; MOD takes the sign of the left operand; a division or MOD
//     by zero stops the run with a note, since what the keyboard does then is not known.
//   - B holds 8 bits: B=Rm keeps the low byte of Rm; Rn=B gives 0..255.
//   - Rn=INKEY$ takes the key code of the next key of the given INKEY$ keys, 0 once they
//     are used up; CLEAR INKEY$ is listed and drops none of them.
//   - Rn=RND gives 0..32767 from a fixed generator started from the seed.
//   - WAIT lists its number as written (a register's value taken as 0..65535); its unit is
//     the keyboard's.
//   - Effects whose meaning the instruction set does not give (CLS, PRINT of a register or
//     ALL, a PRINT text with a second operand, B=) are listed as the instruction with its
//     operands and their values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/Decoder.h"

namespace vorn::script {

inline constexpr std::uint64_t kDefaultStepBound = 100000;

struct DryRunOptions {
    std::uint8_t layout = 1;
    std::vector<std::uint8_t> inkey;  // key codes INKEY$ gives, in order
    std::uint32_t seed = 1;
    std::uint64_t stepBound = kDefaultStepBound;
};

// One effect on the keyboard: at which step (from 1) and address, and what.
struct DryRunEvent {
    std::uint64_t step = 0;
    std::uint32_t address = 0;
    std::string text;
};

enum class DryRunEnd {
    kEnd,                 // reached END
    kStepBound,           // the step bound was reached first
    kDivisionByZero,      // a division or MOD by zero
    kBadJump,             // a jump to an address where no instruction starts
    kPastEnd,             // ran past the last instruction
    kUnknownInstruction,  // bytes no row of the instruction set encodes
};

struct DryRunResult {
    std::vector<DryRunEvent> events;
    std::array<std::uint16_t, 16> registers{};
    std::uint8_t b = 0;
    std::uint64_t steps = 0;  // instructions carried out
    DryRunEnd end = DryRunEnd::kEnd;
    std::uint32_t address = 0;  // of END, or of the instruction the run stopped at
    std::size_t inkeyLeft = 0;
};

// Receives each event as it happens; a long run then keeps none of them.
using DryRunEventSink = std::function<void(const DryRunEvent&)>;

// Runs `instructions` from address 0. Without a sink the events are kept in the result.
DryRunResult DryRun(const std::vector<Instruction>& instructions, const DryRunOptions& options,
                    const DryRunEventSink& sink = {});

// The run as text: a heading, one line per event, how it ended and the registers at the end.
inline constexpr char kDryRunHeading[] = "STEP    ADDR  EVENT\n";
std::string DryRunEventLine(const DryRunEvent& event);
std::string DryRunSummary(const DryRunResult& result, const DryRunOptions& options,
                          std::span<const LabelAt> labels);
std::string DryRunText(const DryRunResult& result, const DryRunOptions& options,
                       std::span<const LabelAt> labels);

// The key codes of `keys`, written as PRINT text ("AB<ENT>", either case) for `layout`.
// False with `problem` in words for a character that types nothing or an unknown name.
bool InkeyCodes(std::string_view keys, std::uint8_t layout, std::vector<std::uint8_t>& codes,
                std::string& problem);

}  // namespace vorn::script
