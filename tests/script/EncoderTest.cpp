// The encoder over program text built directly (as the source pass leaves it), and the
// intermediate-file writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "script/Encoder.h"
#include "script/Translate.h"
#include "tests/script/EncoderTestSupport.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

using test::ObjectText;
using Lines = std::vector<std::string>;

std::string Hex(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

class EncoderTest : public ::testing::Test {
  protected:
    EncoderTest()
        : state_(std::make_unique<CompilerState>()),
          stream_(std::make_unique<InstructionStream>()) {
        state_->scriptLayout = 1;
    }

    // Program text as a successful source pass leaves it: each line with CR LF, then
    // "END" LF; label lines also go to the label table.
    void SetProgram(const Lines& lines) {
        state_->ClearProgram();
        std::string text;
        for (const std::string& line : lines) {
            text += line + "\r\n";
            if (!line.empty() && line.back() == ':' && state_->labelCount < kMaxLabels) {
                std::strncpy(state_->labels[state_->labelCount++].data(), line.c_str(), kLabelSize);
            }
        }
        text += "END\n";
        ASSERT_LE(text.size(), kProgramTextSize);
        std::memcpy(state_->programText.data(), text.data(), text.size());
        state_->programLength = static_cast<std::uint32_t>(text.size());
    }

    // The intermediate file's text for the program.
    std::string Compile(const Lines& lines) {
        SetProgram(lines);
        char message[kMessageSize] = {};
        EXPECT_EQ(EncodeProgramText(*state_, *stream_, message), 0) << message;
        const std::string path = dir_.File("temp.o");
        EXPECT_TRUE(
            WriteIntermediateFile(stream_->bytes.data(), stream_->length, path.c_str(), message))
            << message;
        return test::ReadFile(path);
    }

    // The message of a program the encoder refuses.
    std::string Refusal(const Lines& lines) {
        SetProgram(lines);
        char message[kMessageSize] = {};
        EXPECT_EQ(EncodeProgramText(*state_, *stream_, message), 1);
        return message;
    }

    // A single statement's instructions, the final END's line left out.
    std::string Statement(const std::string& line) {
        std::string text = Compile({line});
        const std::string end = "FF\r\n";
        EXPECT_TRUE(text.size() >= end.size() && text.ends_with(end)) << line;
        text.resize(text.size() - end.size());
        return text;
    }

    struct Case {
        std::string line;
        Lines instructions;
    };
    void ExpectStatements(const std::vector<Case>& cases) {
        for (const Case& c : cases)
            EXPECT_EQ(Statement(c.line), ObjectText(c.instructions)) << c.line;
    }

    vorn::test::TempDir dir_;
    std::unique_ptr<CompilerState> state_;
    std::unique_ptr<InstructionStream> stream_;
};

TEST_F(EncoderTest, ProgramOfJustEndIsOneLine) { EXPECT_EQ(Compile({}), "FF\r\n"); }

TEST_F(EncoderTest, LoopWithIfExample) {
    EXPECT_EQ(Compile({"LOOP:", "R1=R1+1", "IF R1<10 THEN", "GOTO LOOP", "END IF"}),
              ObjectText({"84 01 01 00", "E8 01 0A 00 0D 00", "F0 00 00", "FF"}));
}

TEST_F(EncoderTest, IfElseExample) {
    EXPECT_EQ(Compile({"IF R1=R2 THEN", "R3=1", "ELSE", "R3=2", "END IF"}),
              ObjectText({"E3 21 0B 00", "80 03 01 00", "F0 0F 00", "80 03 02 00", "FF"}));
}

TEST_F(EncoderTest, FixedShapeStatements) {
    ExpectStatements({
        {"CLS", {"00"}},
        {"CLEAR INKEY$", {"D2"}},
        {"R1=RND", {"D0 01"}},
        {"R14=INKEY$", {"D1 0E"}},
        {"WAIT 1000", {"C0 E8 03"}},
        {"WAIT 300", {"C0 2C 01"}},
        {"WAIT 200", {"C0 C8 00"}},
        {"WAIT R2", {"C1 02"}},
    });
}

TEST_F(EncoderTest, AssignmentsWithoutAnOperator) {
    ExpectStatements({
        {"R1=B", {"05 01"}},
        {"B=R4", {"03 04"}},
        {"B=200", {"02 C8"}},
        {"R1=5", {"80 01 05 00"}},
        {"R1=-5", {"90 01 FB FF"}},
        {"R3=R4", {"81 43"}},
        {"R1=-R2", {"91 21"}},
        {"R1=NOT 0XFF", {"B0 01 FF 00"}},
        {"R1=NOT R11", {"B1 B1"}},
    });
}

// Every operator in every column of the form table; the target register is always the
// low nibble of a register byte.
TEST_F(EncoderTest, EveryOperatorInEveryOperandArrangement) {
    struct Row {
        const char* op;
        unsigned registerSame, registerOther, numberSame, numberOther, leftTarget, rightTarget,
            neither;
    };
    const Row rows[] = {
        {"+", 0x84, 0x86, 0x84, 0x86, 0x85, 0x85, 0x87},
        {"-", 0x88, 0x8A, 0x8C, 0x8E, 0x89, 0x8D, 0x8B},
        {"*", 0x94, 0x96, 0x94, 0x96, 0x95, 0x95, 0x97},
        {"/", 0x98, 0x9A, 0x9C, 0x9E, 0x99, 0x9D, 0x9B},
        {" MOD ", 0xA8, 0xAA, 0xAC, 0xAE, 0xA9, 0xAD, 0xAB},
        {" AND ", 0xB4, 0xB6, 0xB4, 0xB6, 0xB5, 0xB5, 0xB7},
        {" OR ", 0xB8, 0xBA, 0xB8, 0xBA, 0xB9, 0xB9, 0xBB},
        {" XOR ", 0xBC, 0xBE, 0xBC, 0xBE, 0xBD, 0xBD, 0xBF},
    };
    for (const Row& row : rows) {
        const std::string op = row.op;
        ExpectStatements({
            {"R3=R3" + op + "300", {Hex(row.registerSame) + " 03 2C 01"}},
            {"R3=R4" + op + "300", {Hex(row.registerOther) + " 43 2C 01"}},
            {"R3=300" + op + "R3", {Hex(row.numberSame) + " 03 2C 01"}},
            {"R3=300" + op + "R5", {Hex(row.numberOther) + " 53 2C 01"}},
            {"R3=R3" + op + "R5", {Hex(row.leftTarget) + " 53"}},
            {"R3=R4" + op + "R3", {Hex(row.rightTarget) + " 43"}},
            {"R3=R4" + op + "R5", {Hex(row.neither) + " 43 05"}},
        });
    }
}

TEST_F(EncoderTest, OperandsWithSignsHexAndTwoDigitRegisters) {
    ExpectStatements({
        {"R1=-5+R2", {"86 21 FB FF"}},
        {"R1=R2*-5", {"96 21 FB FF"}},
        {"R1=R2--5", {"8A 21 FB FF"}},
        {"R1=R1 AND 0XFF", {"B4 01 FF 00"}},
        {"R10=R15+R12", {"87 FA 0C"}},
        {"R15=R15-R0", {"89 0F"}},
    });
}

TEST_F(EncoderTest, PrintForms) {
    ExpectStatements({
        {"PRINT R1", {"21 01"}},
        {"PRINT R1,R2", {"27 21"}},
        {"PRINT R1,200", {"25 01 C8"}},
        {"PRINT \"AB\"", {"20 04", "20 05"}},
        {"PRINT \"A<ENT>\",3", {"24 04 03", "24 28 03"}},
        {"PRINT \"ABC\",R4", {"26 04 04", "26 04 05", "26 04 06"}},
        {"PRINT ALL", {"28"}},
        {"PRINT ALL,R3", {"2B 03"}},
        {"PRINT ALL,128", {"2A 80"}},
        {"PRINT \"<FN><LCTRL>\"", {"20 F0", "20 E0"}},
        // Forms the translator could not fill give nothing.
        {"PRINT R1,300", {}},
    });
}

TEST_F(EncoderTest, PsetForms) {
    ExpectStatements({
        {"PSET 22,5", {"34 B6"}},
        {"PSET 3,2", {"34 43"}},
        {"PSET R1,2", {"35 21"}},
        {"PSET 3,R2", {"36 02 03"}},
        {"PSET R1,R2", {"37 21"}},
        {"PSET 3,2,255", {"38 43 FF"}},
        {"PSET R1,2,255", {"39 21 FF"}},
        {"PSET 3,R2,255", {"3A 02 03 FF"}},
        {"PSET R1,R2,7", {"3B 21 07"}},
        {"PSET 3,2,R4", {"3C 04 43"}},
        {"PSET R1,2,R4", {"3D 41 02"}},
        {"PSET 3,R2,R4", {"3E 42 03"}},
        {"PSET R1,R2,R3", {"3F 21 03"}},
        {"PSET R15,5", {"35 5F"}},
        {"PSET", {}},
    });
}

TEST_F(EncoderTest, IfComparisonsTargetTheInstructionAfterEndIf) {
    struct Row {
        const char* comparison;
        unsigned withNumber, withRegister;
    };
    const Row rows[] = {{"=", 0xE2, 0xE3}, {"<>", 0xE0, 0xE1}, {">", 0xEA, 0xEB},
                        {"<", 0xE8, 0xE9}, {">=", 0xE6, 0xE7}, {"<=", 0xE4, 0xE5}};
    for (const Row& row : rows) {
        const std::string comparison = row.comparison;
        EXPECT_EQ(Compile({"IF R1" + comparison + "300 THEN", "END IF"}),
                  ObjectText({Hex(row.withNumber) + " 01 2C 01 06 00", "FF"}));
        EXPECT_EQ(Compile({"IF R1" + comparison + "R12 THEN", "END IF"}),
                  ObjectText({Hex(row.withRegister) + " C1 04 00", "FF"}));
    }
    EXPECT_EQ(Compile({"IF R1<=-5 THEN", "CLS", "END IF"}),
              ObjectText({"E4 01 FB FF 07 00", "00", "FF"}));
}

TEST_F(EncoderTest, InnerEndIfClosesOnlyTheInnerBlock) {
    // 0: IF R1  6: IF R2  12: CLS  13: ELSE jump  16: CLS  17: END IF  17: CLS  18: END
    EXPECT_EQ(
        Compile({"IF R1=1 THEN", "IF R2=2 THEN", "CLS", "ELSE", "CLS", "END IF", "CLS", "END IF"}),
        ObjectText({"E2 01 01 00 12 00", "E2 02 02 00 10 00", "00", "F0 11 00", "00", "00", "FF"}));
}

TEST_F(EncoderTest, ElseBelongsToTheInnermostOpenIf) {
    // 0: IF R1  6: CLS  7: ELSE jump  10: IF R2  16: CLS  17: END IF  17: END IF  17: END
    EXPECT_EQ(Compile({"IF R1=1 THEN", "CLS", "ELSE", "IF R2=2 THEN", "CLS", "END IF", "END IF"}),
              ObjectText({"E2 01 01 00 0A 00", "00", "F0 11 00", "E2 02 02 00 11 00", "00", "FF"}));
}

// Twenty blocks, each opened inside the ELSE part of the one before: forty block marks.
TEST_F(EncoderTest, TwentyNestedBlocksEachInsideItsElse) {
    Lines program;
    Lines expected;
    const unsigned levels = 20, end = levels * 10 + 1;  // IF 6 + CLS 1 + ELSE 3 per level
    for (unsigned i = 0; i < levels; ++i) {
        program.insert(program.end(), {"IF R1=" + std::to_string(i) + " THEN", "CLS", "ELSE"});
        const unsigned elseStart = 10 * i + 10;
        expected.push_back("E2 01 " + Hex(i) + " 00 " + Hex(elseStart) + " " + Hex(elseStart >> 8));
        expected.insert(expected.end(), {"00", "F0 " + Hex(end) + " 00"});
    }
    program.push_back("CLS");
    expected.insert(expected.end(), {"00", "FF"});
    for (unsigned i = 0; i < levels; ++i) program.push_back("END IF");
    EXPECT_EQ(Compile(program), ObjectText(expected));
}

TEST_F(EncoderTest, EncoderRefusesMoreThanTwentyOpenBlocks) {
    Lines program(21, "IF R1=1 THEN");
    program.insert(program.end(), 21, "END IF");
    EXPECT_EQ(Refusal(program), "Cannot encode \"IF R1=1 THEN\"\n");
}

TEST_F(EncoderTest, SecondElseInOneBlockIsRefused) {
    EXPECT_EQ(Refusal({"IF R1=1 THEN", "IF R2=2 THEN", "ELSE", "ELSE", "END IF", "END IF"}),
              "Cannot encode \"ELSE\"\n");
    EXPECT_EQ(Refusal({"ELSE"}), "Cannot encode \"ELSE\"\n");
}

TEST_F(EncoderTest, EndIfWithoutAnOpenBlockChangesNothing) {
    EXPECT_EQ(Compile({"END IF", "CLS"}), ObjectText({"00", "FF"}));
}

TEST_F(EncoderTest, ForwardAndBackwardGotosAndTwoLabelsAtOneAddress) {
    // 0: CLS  1: A: B: CLS  2: GOTO B  5: GOTO A  8: GOTO C  11: C: END
    EXPECT_EQ(Compile({"CLS", "A:", "B:", "CLS", "GOTO B", "GOTO A", "GOTO C", "C:"}),
              ObjectText({"00", "00", "F0 01 00", "F0 01 00", "F0 0B 00", "FF"}));
}

TEST_F(EncoderTest, JumpTargetsAboveByteRangeKeepTheirHighByte) {
    Lines program(100, "R1=R1+1");  // 4 bytes each
    program.insert(program.end(), {"FAR:", "IF R1=0 THEN", "GOTO FAR", "END IF"});
    const std::string text = Compile(program);
    EXPECT_NE(text.find("E2 01 00 00 99 01\r\nF0 90 01\r\nFF\r\n"), std::string::npos);
}

TEST_F(EncoderTest, GotoToAMissingLabelIsRefused) {
    EXPECT_EQ(Refusal({"A:", "GOTO B"}), "Cannot resolve a GOTO target\n");
}

TEST_F(EncoderTest, IfWithAnUnrecognisedComparisonIsRefused) {
    EXPECT_EQ(Refusal({"IF R1 5 THEN", "END IF"}), "Cannot encode \"IF R1 5 THEN\"\n");
}

TEST_F(EncoderTest, LineOfNoStatementShapeIsRefusedRatherThanEncodedAsCls) {
    EXPECT_EQ(Refusal({"FOO X"}), "Cannot encode \"FOO X\"\n");
}

TEST_F(EncoderTest, MoreThanOneHundredGotosAreRefused) {
    Lines program{"A:"};
    program.insert(program.end(), 100, "GOTO A");
    EXPECT_EQ(Compile(program).size(), 100 * 10 + 4u);
    program.push_back("GOTO A");
    EXPECT_EQ(Refusal(program), "Cannot encode \"GOTO A\"\n");
}

// PRINT "<50 letters>" gives 50 instructions of three stream bytes (length, 20, code).
Lines PrintLines(std::size_t codes) {
    Lines lines;
    for (; codes >= 50; codes -= 50) lines.push_back("PRINT \"" + std::string(50, 'A') + "\"");
    if (codes > 0) lines.push_back("PRINT \"" + std::string(codes, 'A') + "\"");
    return lines;
}

TEST_F(EncoderTest, InstructionStreamHoldsExactly10240Bytes) {
    Lines program = PrintLines(3412);  // 10236 bytes, then CLS and END take 2 each
    program.push_back("CLS");
    EXPECT_EQ(Compile(program).size(), 3412 * 7 + 4 + 4u);
    EXPECT_EQ(stream_->length, kStreamSize);
}

TEST_F(EncoderTest, InstructionStreamBeyond10240BytesIsRefused) {
    Lines program = PrintLines(3413);
    program.push_back("CLS");
    EXPECT_EQ(Refusal(program), "Script too long: its instructions exceed 10240 bytes\n");
}

TEST_F(EncoderTest, CompilesAfterAnotherProgramAsIfAlone) {
    Compile({"A:", "B:", "GOTO B"});
    EXPECT_EQ(Compile({"X:", "CLS", "GOTO X"}), ObjectText({"00", "F0 00 00", "FF"}));
}

// Lines the source pass would refuse, made of the language's own pieces: the encoder may
// refuse them, but must stay inside its tables and produce a well-formed stream.
TEST_F(EncoderTest, ArbitraryLinesNeverLeaveTheTables) {
    const char* pieces[] = {"IF ",   "R1",    "R15",  "R16",    "R",   "=",   "<",      ">",
                            "<>",    ">=",    "-",    "+",      "*",   "/",   " MOD ",  " AND ",
                            " OR ",  " XOR ", "NOT ", "B",      "0X",  "FF",  "7",      "300",
                            "99999", ",",     "\"",   "<ENT>",  "<",   "A",   "PRINT ", "PSET ",
                            "WAIT ", "GOTO ", "ELSE", "END IF", "END", "CLS", "CLEAR ", "INKEY$",
                            "RND",   "ALL",   ":",    " ",      "L1"};
    std::mt19937 random(20240611);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int program = 0; program < 3000; ++program) {
        Lines lines;
        for (std::size_t n = pick(30) + 1; n > 0; --n) {
            std::string line;
            for (std::size_t k = pick(12) + 1; k > 0 && line.size() < 180; --k) {
                line += pieces[pick(std::size(pieces))];
            }
            lines.push_back(line);
            // Each line on its own too, since a program stops at its first refused line.
            char buffer[256] = {};
            std::memcpy(buffer, line.data(), line.size());
            buffer[line.size()] = '\n';
            StatementRecord record{};
            TranslateStatement(*state_, buffer, static_cast<int>(line.size() + 1), record);
        }
        SetProgram(lines);
        char message[kMessageSize] = {};
        const int result = EncodeProgramText(*state_, *stream_, message);
        ASSERT_TRUE(result == 0 || result == 1);
        if (result == 1) {
            ASSERT_TRUE(std::string(message).ends_with("\n")) << message;
        }
        ASSERT_LE(stream_->length, kStreamSize);
        std::size_t position = 0;
        while (position < stream_->length) {
            const unsigned length = stream_->bytes[position];
            ASSERT_TRUE(length >= 1 && length <= 6) << program;
            position += 1 + length;
        }
        ASSERT_EQ(position, stream_->length);
    }
}

class IntermediateFileTest : public ::testing::Test {
  protected:
    vorn::test::TempDir dir_;
    char message_[kMessageSize] = {};
};

TEST_F(IntermediateFileTest, UpperCaseHexPairsOneBlankApartAndCrLfAfterEachInstruction) {
    const std::uint8_t stream[] = {3, 0xC0, 0xE8, 0x03, 1, 0xFF, 2, 0x3a, 0xb6};
    const std::string path = dir_.File("temp.o");
    ASSERT_TRUE(WriteIntermediateFile(stream, sizeof stream, path.c_str(), message_));
    EXPECT_EQ(test::ReadFile(path), "C0 E8 03\r\nFF\r\n3A B6\r\n");
}

TEST_F(IntermediateFileTest, ReplacesAnExistingFile) {
    const std::string path = dir_.Write("temp.o", std::string(500, 'x'));
    const std::uint8_t stream[] = {1, 0xFF};
    ASSERT_TRUE(WriteIntermediateFile(stream, sizeof stream, path.c_str(), message_));
    EXPECT_EQ(test::ReadFile(path), "FF\r\n");
}

TEST_F(IntermediateFileTest, FileThatCannotBeCreatedIsReported) {
    const std::string path = dir_.File("missing/temp.o");
    const std::uint8_t stream[] = {1, 0xFF};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteIntermediateFile(stream, sizeof stream, path.c_str(), message_));
    const std::string expected = "Cannot create " + path + " file!\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    EXPECT_EQ(std::string(message_), expected);
}

TEST_F(IntermediateFileTest, FailedWriteIsReportedAndLeavesDevicesAlone) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::uint8_t stream[] = {1, 0xFF};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteIntermediateFile(stream, sizeof stream, "/dev/full", message_));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(message_), "Cannot write /dev/full file!\n");
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(IntermediateFileTest, MalformedStreamLeavesNoPartialFile) {
    const std::string path = dir_.File("temp.o");
    const std::uint8_t stream[] = {1, 0x00, 4, 0x80, 0x01};  // second instruction cut short
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteIntermediateFile(stream, sizeof stream, path.c_str(), message_));
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace vorn::script
