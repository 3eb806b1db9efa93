// The dry run carries out what temp.o holds: 16-bit signed arithmetic, jumps, the effects
// in order, INKEY$ keys and RND, and the notes that end a run early.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/Decoder.h"
#include "script/DryRun.h"
#include "script/Encoder.h"
#include "tests/script/EncoderTestSupport.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

class DryRunTest : public ::testing::Test {
  protected:
    // Compiles `script` and runs the instructions read back from temp.o.
    DryRunResult Run(const std::string& script, DryRunOptions options = {}) {
        auto state = std::make_unique<CompilerState>();
        state->intermediatePath = dir_.File("temp.o");
        state->trace = false;
        char message[kMessageSize] = {};
        const std::string path = dir_.Write("script.vs", script);
        EXPECT_EQ(EncodeProgram(*state, path.c_str(), message, options.layout), 0) << message;
        return RunText(test::ReadFile(state->intermediatePath), options);
    }

    static DryRunResult RunText(const std::string& text, const DryRunOptions& options = {}) {
        std::vector<Instruction> instructions;
        int badLine = 0;
        EXPECT_TRUE(ParseIntermediateText(text, instructions, badLine));
        return DryRun(instructions, options);
    }

    static std::vector<std::string> Events(const DryRunResult& result) {
        std::vector<std::string> texts;
        for (const DryRunEvent& event : result.events) texts.push_back(event.text);
        return texts;
    }

    static std::int16_t R(const DryRunResult& result, int n) {
        return static_cast<std::int16_t>(result.registers[n]);
    }

    vorn::test::TempDir dir_;
};

TEST_F(DryRunTest, ArithmeticIsSixteenBitsAndWrapsAround) {
    const DryRunResult r =
        Run(test::ScriptText({"R1=32767", "R1=R1+1", "R2=-7", "R3=R2/2", "R4=R2 MOD 2", "R5=R2*R2",
                              "R6=NOT 0", "R7=0X8000", "R8=R7/-1", "R9=R2 AND 0XFF", "R10=300",
                              "R10=R10*300", "R11=R3-R2", "R12=-R7", "B=R10", "R13=B", "END"}));
    EXPECT_EQ(r.end, DryRunEnd::kEnd);
    EXPECT_EQ(R(r, 1), -32768);
    EXPECT_EQ(R(r, 3), -3);
    EXPECT_EQ(R(r, 4), -1);
    EXPECT_EQ(R(r, 5), 49);
    EXPECT_EQ(R(r, 6), -1);
    EXPECT_EQ(R(r, 8), -32768);
    EXPECT_EQ(R(r, 9), 0xF9);
    EXPECT_EQ(R(r, 10), static_cast<std::int16_t>(90000 & 0xFFFF));
    EXPECT_EQ(R(r, 11), 4);
    EXPECT_EQ(R(r, 12), -32768);
    EXPECT_EQ(R(r, 13), 90000 & 0xFF);
    EXPECT_EQ(r.steps, 17u);
}

TEST_F(DryRunTest, ComparisonsAreSignedAndPickTheBranch) {
    const DryRunResult r =
        Run(test::ScriptText({"R1=-1", "IF R1<1 THEN", "PRINT \"Y\"", "ELSE", "PRINT \"N\"",
                              "END IF", "IF R1>=0X8000 THEN", "PRINT \"<ENT>\"", "END IF",
                              "R2=0XFFFF", "IF R1<>R2 THEN", "PRINT \"X\"", "END IF", "END"}));
    EXPECT_EQ(Events(r), (std::vector<std::string>{"type Y (1C)", "type ENT (28)"}));
}

TEST_F(DryRunTest, EffectsAreListedInOrderWithTheirOperands) {
    const DryRunResult r =
        Run(test::ScriptText({"R1=3", "R2=-1", "CLS", "PSET R1,2,R1", "PSET 22,5", "WAIT 300",
                              "WAIT R2", "PRINT \"A\",R1", "PRINT R1,R2", "B=200", "END"}));
    EXPECT_EQ(Events(r), (std::vector<std::string>{
                             "CLS", "LED column 3 row 2 set to 3", "LED column 22 row 5 set",
                             "wait 300", "wait 65535 (R2)", "PRINT \"A\",R1: key A (04), R1=3",
                             "PRINT R1,R2: R1=3, R2=-1", "B=200"}));
    EXPECT_EQ(r.events[1].step, 4u);
    EXPECT_EQ(r.events[1].address, 9u);
}

TEST_F(DryRunTest, DivisionByZeroStopsTheRunAtTheDivision) {
    const DryRunResult r =
        Run(test::ScriptText({"R2=0", "PRINT \"A\"", "R1=5 MOD R2", "PRINT \"B\"", "END"}));
    EXPECT_EQ(r.end, DryRunEnd::kDivisionByZero);
    EXPECT_EQ(r.address, 6u);
    EXPECT_EQ(Events(r), std::vector<std::string>{"type A (04)"});
}

TEST_F(DryRunTest, TheStepBoundStopsAnEndlessLoop) {
    DryRunOptions options;
    options.stepBound = 50;
    const DryRunResult r = Run(test::ScriptText({"L:", "PRINT \"A\"", "GOTO L", "END"}), options);
    EXPECT_EQ(r.end, DryRunEnd::kStepBound);
    EXPECT_EQ(r.steps, 50u);
    EXPECT_EQ(r.events.size(), 25u);
    EXPECT_NE(DryRunText(r, options, {}).find("may loop forever"), std::string::npos);
    // A program that needs exactly the bound still reaches END.
    options.stepBound = 2;
    EXPECT_EQ(Run(test::ScriptText({"CLS", "END"}), options).end, DryRunEnd::kEnd);
}

TEST_F(DryRunTest, InkeyGivesTheKeysInOrderThenZeroAndRndFollowsTheSeed) {
    DryRunOptions options;
    std::string problem;
    ASSERT_TRUE(InkeyCodes("a<ent>", 1, options.inkey, problem)) << problem;
    const std::string script = test::ScriptText(
        {"R1=INKEY$", "CLEAR INKEY$", "R2=INKEY$", "R3=INKEY$", "R4=RND", "R5=RND", "END"});
    const DryRunResult first = Run(script, options);
    EXPECT_EQ(R(first, 1), 0x04);
    EXPECT_EQ(R(first, 2), 0x28);
    EXPECT_EQ(R(first, 3), 0);
    EXPECT_EQ(first.inkeyLeft, 0u);
    EXPECT_GE(R(first, 4), 0);
    EXPECT_EQ(Run(script, options).registers, first.registers);
    options.seed = 2;
    EXPECT_NE(Run(script, options).registers[4], first.registers[4]);
}

TEST_F(DryRunTest, InkeyKeysThatTypeNothingAreRefused) {
    std::vector<std::uint8_t> codes;
    std::string problem;
    EXPECT_FALSE(InkeyCodes("A B", 1, codes, problem));
    EXPECT_FALSE(InkeyCodes("<NOPE>", 1, codes, problem));
    EXPECT_FALSE(InkeyCodes("<FN>", 2, codes, problem));
    EXPECT_NE(problem.find("<FN>"), std::string::npos);
    EXPECT_FALSE(InkeyCodes("<ENT", 1, codes, problem));
    EXPECT_TRUE(InkeyCodes("<FN>", 1, codes, problem));
}

// Bytes a hand-edited temp.o could hold end the run with a note, never a crash.
TEST_F(DryRunTest, InstructionsThatCannotBeCarriedOutEndTheRun) {
    EXPECT_EQ(RunText("F0 05 00\r\nFF\r\n").end, DryRunEnd::kBadJump);
    EXPECT_EQ(RunText("00\r\n01\r\nFF\r\n").end, DryRunEnd::kUnknownInstruction);
    EXPECT_EQ(RunText("00\r\n").end, DryRunEnd::kPastEnd);
    EXPECT_EQ(RunText("").end, DryRunEnd::kPastEnd);
}

}  // namespace
}  // namespace vorn::script
