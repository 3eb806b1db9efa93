// Reading instructions back: every instruction the encoder can produce decodes to the
// statement it was compiled from, and the intermediate file's text parses to the same
// instructions.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "script/Decoder.h"
#include "script/Encoder.h"
#include "script/KeyTables.h"
#include "script/Listing.h"
#include "tests/script/EncoderTestSupport.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

// Each line in the normalised form the decoder writes, so decoding must give it back.
// Together they produce every row of the encoding tables.
const char* const kEveryForm[] = {
    "CLS",
    "CLEAR INKEY$",
    "R1=RND",
    "R12=INKEY$",
    "WAIT 1000",
    "WAIT 0X2710",
    "WAIT R8",
    "L:",
    "GOTO L",
    // PRINT
    "PRINT R1",
    "PRINT R1,R15",
    "PRINT R3,200",
    "PRINT \"A\"",
    "PRINT \"<ENT>\",3",
    "PRINT \"B\",R4",
    "PRINT ALL",
    "PRINT ALL,R3",
    "PRINT ALL,10",
    // PSET, each argument a number or a register
    "PSET 22,5",
    "PSET R1,2",
    "PSET 3,R2",
    "PSET R1,R2",
    "PSET 22,5,255",
    "PSET R1,2,3",
    "PSET 3,R2,4",
    "PSET R1,R2,5",
    "PSET 1,2,R3",
    "PSET R1,2,R3",
    "PSET 3,R2,R4",
    "PSET R1,R2,R3",
    // assignments without an operator
    "R2=B",
    "B=R3",
    "B=200",
    "R1=5",
    "R1=0X8000",
    "R1=R2",
    "R4=-300",
    "R4=-0",
    "R1=-R2",
    "R1=NOT 0XFF",
    "R1=NOT R2",
    // each operator in each shape
    "R1=R1+5",
    "R1=R2+5",
    "R1=R1+R2",
    "R10=R12+R15",
    "R1=R1-5",
    "R1=R2--5",
    "R1=5-R1",
    "R1=-5-R2",
    "R1=R1-R2",
    "R1=R2-R1",
    "R1=R2-R3",
    "R1=R1*-5",
    "R1=R2*5",
    "R1=R1*R2",
    "R1=R2*R3",
    "R1=R1/5",
    "R1=R2/5",
    "R1=5/R1",
    "R1=5/R2",
    "R1=R1/R2",
    "R1=R2/R1",
    "R1=R2/R3",
    "R1=R1 MOD 7",
    "R1=R2 MOD 7",
    "R1=7 MOD R1",
    "R1=7 MOD R2",
    "R1=R1 MOD R2",
    "R1=R2 MOD R1",
    "R1=R2 MOD R3",
    "R1=R1 AND 0XFF",
    "R1=R2 AND 0XFFFB",
    "R1=R1 AND R2",
    "R1=R2 AND R3",
    "R1=R1 OR 0X10",
    "R1=R2 OR 0X10",
    "R1=R1 OR R2",
    "R1=R2 OR R3",
    "R1=R1 XOR 0X1",
    "R1=R2 XOR 0X1",
    "R1=R1 XOR R2",
    "R1=R2 XOR R3",
    // each comparison with a number and a register
    "IF R1=-5 THEN",
    "END IF",
    "IF R1=R2 THEN",
    "END IF",
    "IF R1<>300 THEN",
    "END IF",
    "IF R1<>R2 THEN",
    "END IF",
    "IF R1>9999 THEN",
    "END IF",
    "IF R1>R2 THEN",
    "END IF",
    "IF R1<0XFFFB THEN",
    "END IF",
    "IF R1<R2 THEN",
    "END IF",
    "IF R1>=0X8000 THEN",
    "END IF",
    "IF R1>=R2 THEN",
    "END IF",
    "IF R1<=-9999 THEN",
    "END IF",
    "IF R1<=R2 THEN",
    "END IF",
    "IF R1=1 THEN",
    "CLS",
    "ELSE",
    "CLS",
    "END IF",
};

class DecoderTest : public ::testing::Test {
  protected:
    DecoderTest() : state_(std::make_unique<CompilerState>()) {
        state_->intermediatePath = dir_.File("temp.o");
        state_->trace = false;
    }

    // Compiles the lines (END added) and reads temp.o back.
    std::vector<Instruction> Compile(std::span<const std::string> lines, std::uint8_t layout) {
        std::string script;
        for (const std::string& line : lines) script += line + "\n";
        script += "END\n";
        char message[kMessageSize] = {};
        const std::string path = dir_.Write("script.vs", script);
        EXPECT_EQ(EncodeProgramInto(*state_, path.c_str(), message, layout, stream_), 0) << message;
        std::vector<Instruction> instructions;
        int badLine = -1;
        EXPECT_TRUE(
            ParseIntermediateText(test::ReadFile(state_->intermediatePath), instructions, badLine));
        EXPECT_EQ(instructions.size(), stream_.instructionCount);
        return instructions;
    }

    // The program text line an instruction was encoded from.
    std::string ProgramLine(std::size_t instruction) const {
        const std::string text(state_->programText.data(), state_->programLength);
        std::size_t start = 0;
        for (std::uint32_t k = 0; k < stream_.programLine[instruction]; ++k) {
            start = text.find("\r\n", start) + 2;
        }
        return text.substr(start, text.find_first_of("\r\n", start) - start);
    }

    vorn::test::TempDir dir_;
    std::unique_ptr<CompilerState> state_;
    InstructionStream stream_;
};

std::set<std::uint8_t> EveryOpcode() {
    std::set<std::uint8_t> opcodes;
    for (const isa::Encoding* e :
         {&isa::kCls, &isa::kEnd, &isa::kClearInkey, &isa::kRnd, &isa::kInkey, &isa::kWaitNumber,
          &isa::kWaitRegister, &isa::kJump}) {
        opcodes.insert(e->opcode);
    }
    for (const std::span<const isa::Encoding> table :
         {std::span<const isa::Encoding>(isa::kPrintEncodings),
          std::span<const isa::Encoding>(isa::kPsetEncodings),
          std::span<const isa::Encoding>(isa::kAssignEncodings),
          std::span<const isa::Encoding>(isa::kIfEncodings)}) {
        for (const isa::Encoding& e : table) opcodes.insert(e.opcode);
    }
    return opcodes;
}

TEST_F(DecoderTest, EveryInstructionTheEncoderProducesDecodesToItsStatement) {
    const std::vector<std::string> lines(std::begin(kEveryForm), std::end(kEveryForm));
    const std::vector<Instruction> instructions = Compile(lines, 1);
    const std::vector<LabelAt> labels = ProgramLabels(*state_, stream_);
    std::set<std::uint8_t> seen;
    for (std::size_t i = 0; i < instructions.size(); ++i) {
        Decoded decoded;
        ASSERT_TRUE(DecodeInstruction(instructions[i], decoded)) << HexBytes(instructions[i]);
        seen.insert(instructions[i].bytes[0]);
        const std::string source = ProgramLine(i);
        // The jump over an ELSE part names no label: it is the ELSE's.
        const std::string expected = source == "ELSE" ? "GOTO" : source;
        EXPECT_EQ(StatementText(decoded, 1, labels), expected) << HexBytes(instructions[i]);
    }
    EXPECT_EQ(seen, EveryOpcode());
}

// Every key code a PRINT text can type is written back as text that types it, in both
// layouts (a sign such as '=' or '>' would break the PRINT line).
TEST_F(DecoderTest, EveryKeyCodeIsWrittenAsPrintTextThatTypesIt) {
    for (const std::uint8_t layout : {1, 2}) {
        std::vector<std::string> lines;
        for (int code = 0; code < 256; ++code) {
            const std::string text = KeyCodeText(static_cast<std::uint8_t>(code), layout);
            if (text.starts_with("<0X")) continue;
            // A name of the other layout's table only: this layout cannot type it.
            const std::string name = text.size() > 2 ? text.substr(1, text.size() - 2) : "";
            if (text[0] == '<' &&
                KeyNameCode(name.data(), static_cast<int>(name.size()), layout) < 0) {
                continue;
            }
            lines.push_back("PRINT \"" + text + "\"");
        }
        // 26 letters, 10 digits, 11 signs and the names of the layout's table.
        EXPECT_EQ(lines.size(), 47u + (layout == 1 ? 61u : 39u));
        const std::vector<Instruction> instructions = Compile(lines, layout);
        ASSERT_EQ(instructions.size(), lines.size() + 1);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Decoded decoded;
            ASSERT_TRUE(DecodeInstruction(instructions[i], decoded));
            EXPECT_EQ(StatementText(decoded, layout, {}), lines[i]) << "layout " << int(layout);
        }
    }
}

TEST(DecoderBytesTest, BytesNoRowEncodesAreNotDecoded) {
    const auto instruction = [](std::initializer_list<std::uint8_t> bytes) {
        Instruction i;
        for (const std::uint8_t b : bytes) i.bytes[i.length++] = b;
        return i;
    };
    Decoded decoded;
    EXPECT_FALSE(DecodeInstruction(instruction({0x01}), decoded));              // no such opcode
    EXPECT_FALSE(DecodeInstruction(instruction({0x84, 0x01, 0x01}), decoded));  // one short
    EXPECT_FALSE(DecodeInstruction(instruction({0xFF, 0x00}), decoded));        // one too many
    EXPECT_FALSE(DecodeInstruction(Instruction{}, decoded));
    EXPECT_TRUE(DecodeInstruction(instruction({0x84, 0x01, 0x01, 0x00}), decoded));
}

TEST(DecoderBytesTest, IntermediateTextParsesOnlyInItsOwnShape) {
    std::vector<Instruction> instructions;
    int badLine = 0;
    ASSERT_TRUE(
        ParseIntermediateText("84 01 01 00\r\nE8 01 0A 00 0D 00\r\nFF\r\n", instructions, badLine));
    ASSERT_EQ(instructions.size(), 3u);
    EXPECT_EQ(instructions[1].address, 4u);
    EXPECT_EQ(instructions[2].address, 10u);
    EXPECT_EQ(HexBytes(instructions[1]), "E8 01 0A 00 0D 00");
    for (const char* bad : {"FF\n", "FF", "ff\r\n", "F\r\n", "FF  00\r\n", "FF 00 \r\n",
                            "00 00 00 00 00 00 00\r\n", "\r\n", "FG\r\n"}) {
        EXPECT_FALSE(ParseIntermediateText(std::string("00\r\n") + bad, instructions, badLine))
            << bad;
        EXPECT_EQ(badLine, 2) << bad;
    }
}

}  // namespace
}  // namespace vorn::script
