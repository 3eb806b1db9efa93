#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "script/SourcePass.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

using namespace std::string_literals;

const std::string kNoEnd = "Error:last line of file ends without \"END\"\n";

std::string WrongCommand(int line) { return "Wrong command, Line " + std::to_string(line) + "\n"; }

struct Outcome {
    int result;
    std::string message;
    std::string program;  // the used part of the program text buffer
};

class SourcePassTest : public ::testing::Test {
  protected:
    std::string Path() const { return dir_.File("script.vs"); }

    void Write(std::string_view bytes) {
        std::ofstream out(Path(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    Outcome Run(const std::string& path, std::uint8_t layout = 1) {
        state_.ClearProgram();
        state_.scriptLayout = layout;
        // Exactly the caller's 512 bytes, on the heap so that an overrun is caught.
        auto message = std::make_unique<char[]>(kMessageSize);
        const int result = RunSourcePass(state_, path.c_str(), message.get());
        EXPECT_TRUE(ProgramTailIsZero());
        const std::string text = result == 0 ? std::string(message.get(), 0) : message.get();
        return {result, text, std::string(state_.programText.data(), state_.programLength)};
    }

    Outcome Compile(std::string_view bytes, std::uint8_t layout = 1) {
        Write(bytes);
        return Run(Path(), layout);
    }

    // The lines joined by LF, then END on a line of its own.
    Outcome CompileLines(const std::vector<std::string>& lines, std::uint8_t layout = 1) {
        std::string text;
        for (const std::string& line : lines) text += line + "\n";
        return Compile(text + "END\n", layout);
    }

    bool ProgramTailIsZero() const {
        if (state_.programLength > kProgramTextSize) return false;
        for (std::size_t k = state_.programLength; k < kProgramTextSize; ++k) {
            if (state_.programText[k] != 0) return false;
        }
        return true;
    }

    std::string Label(std::size_t k) const {
        const auto& entry = state_.labels[k];
        return std::string(entry.data(), strnlen(entry.data(), kLabelSize));
    }

    vorn::test::TempDir dir_;
    CompilerState state_;
};

void ExpectAccepted(const Outcome& outcome, const std::string& program) {
    EXPECT_EQ(outcome.result, 0) << outcome.message;
    EXPECT_EQ(outcome.program, program);
}

void ExpectRefused(const Outcome& outcome, const std::string& message) {
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.message, message);
}

TEST_F(SourcePassTest, WorkedExamplesGiveTheExactProgramText) {
    struct Case {
        const char* source;
        const char* program;
    };
    const Case cases[] = {
        {"CLS\nEND", "CLS\r\nEND\n"},
        {"LOOP:\n  print \"hi\" ' greet\nGOTO LOOP\nEND\n",
         "LOOP:\r\nPRINT \"HI\"\r\nGOTO LOOP\r\nEND\n"},
        {"IF R1 = 5 THEN\n\tR2 = R2 + 1\nELSE\n  r2=0 \nEND IF\nend\n",
         "IF R1=5 THEN\r\nR2=R2+1\r\nELSE\r\nR2=0\r\nEND IF\r\nEND\n"},
        {"CLS\n   END", "CLS\r\nEND\n"},
        {"CLS END", "CLS\r\nEND\n"},
        {"END", "END\n"},
        {"CLS\r\nWAIT 5\r\nEND\r\n", "CLS\r\nWAIT 5\r\nEND\n"},
        {"' greeting\n\n   \n\t\nCLS\nEND", "CLS\r\nEND\n"},
        {"CLS ' the END", "CLS\r\nEND\n"},
        {"print \"it's\" ' apostrophe inside quotes\nEND", "PRINT \"IT'S\"\r\nEND\n"},
        {"r1 = 0x1f\nEND", "R1=0X1F\r\nEND\n"},
        {"A:\r\nEND", "A:\r\nEND\n"},
        {"CLS '\r\nEND", "CLS\r\nEND\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        ExpectAccepted(Compile(c.source), c.program);
    }
}

TEST_F(SourcePassTest, LabelLinesFillTheLabelTableInFileOrder) {
    ExpectAccepted(Compile("LOOP:\nCLS\nA1:\n12:\nGOTO LOOP\nEND"),
                   "LOOP:\r\nCLS\r\nA1:\r\n12:\r\nGOTO LOOP\r\nEND\n");
    ASSERT_EQ(state_.labelCount, 3u);
    EXPECT_EQ(Label(0), "LOOP:");
    EXPECT_EQ(Label(1), "A1:");
    EXPECT_EQ(Label(2), "12:");
    for (std::size_t k = 5; k < kLabelSize; ++k) EXPECT_EQ(state_.labels[0][k], 0);
}

TEST_F(SourcePassTest, EndCheckTakesOnlyEndOrEndInLowerCase) {
    struct Case {
        const char* source;
        bool passes;
    };
    const Case cases[] = {
        {"CLS\nend", true},
        {"CLS\nEND\n\n  \r\n\r\n", true},
        {"CLS\nEND   ", true},
        {"CLS\nEnd", false},
        {"CLS\neND", false},
        {"CLS\nEND\t", false},
        {"CLS\nEND\t\n", false},
        {"CLS\nEND.", false},
        {"CLS\nEN\nD", false},
        {"", false},
        {"\n \r\n", false},
        {"ND", false},
        {"' only comments\n' nothing else\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const Outcome outcome = Compile(c.source);
        if (c.passes) {
            ExpectAccepted(outcome, "CLS\r\nEND\n");
        } else {
            ExpectRefused(outcome, kNoEnd);
        }
    }
}

TEST_F(SourcePassTest, TheFinalEndMayCloseTheTextOfTheLastLine) {
    // The last three letters of APPEND pass the END check; what stands before them is read.
    ExpectRefused(Compile("CLS\nAPPEND\n"), WrongCommand(2));
    ExpectAccepted(Compile("' comments only\n' END"), "END\n");
}

TEST_F(SourcePassTest, AcceptsEveryStatementForm) {
    struct Case {
        const char* line;
        const char* stored;
        std::uint8_t layout;
    };
    const Case cases[] = {
        {"CLS", "CLS", 1},
        {"WAIT 100", "WAIT 100", 1},
        {"WAIT 0X10", "WAIT 0X10", 1},
        {"WAIT R1", "WAIT R1", 1},
        {"WAIT 9999", "WAIT 9999", 1},
        {"CLEAR INKEY$", "CLEAR INKEY$", 1},
        {"PSET 22,5,255", "PSET 22,5,255", 1},
        {"PSET 18,0", "PSET 18,0", 2},
        {"PSET 99,0", "PSET 99,0", 0},
        {"PSET 1 , 2", "PSET 1,2", 1},
        {"PSET R1,R2,R3", "PSET R1,R2,R3", 1},
        {"PSET R1,2,255", "PSET R1,2,255", 1},
        {"PSET 0X16,0X5", "PSET 0X16,0X5", 1},
        {"PSET", "PSET", 1},
        {"PRINT \"ABC\"", "PRINT \"ABC\"", 1},
        {"PRINT \"A<ENT>\",3", "PRINT \"A<ENT>\",3", 1},
        {"PRINT \"A\",R15", "PRINT \"A\",R15", 1},
        {"PRINT \"<FN>\"", "PRINT \"<FN>\"", 1},
        {"PRINT \"<SCROLL><lctrl>c\"", "PRINT \"<SCROLL><LCTRL>C\"", 2},
        {"PRINT \"X\"Y\"", "PRINT \"X\"Y\"", 1},
        {"PRINT \"\x80\"", "PRINT \"\x80\"", 1},
        {"PRINT ALL", "PRINT ALL", 1},
        {"PRINT ALL,R3", "PRINT ALL,R3", 1},
        {"PRINT ALL,200", "PRINT ALL,200", 1},
        {"PRINT R1", "PRINT R1", 1},
        {"PRINT R1,R2", "PRINT R1,R2", 1},
        {"PRINT R1,0XFF", "PRINT R1,0XFF", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ExpectAccepted(CompileLines({c.line}, c.layout), c.stored + "\r\nEND\n"s);
    }
}

TEST_F(SourcePassTest, AcceptsEveryAssignmentForm) {
    struct Case {
        const char* line;
        const char* stored;
    };
    const Case cases[] = {
        {"R1=R2+5", "R1=R2+5"},
        {"R1=-5", "R1=-5"},
        {"R1=R2*-5", "R1=R2*-5"},
        {"R1=-R2", "R1=-R2"},
        {"R1=NOT R2", "R1=NOT R2"},
        {"R1=NOT 0XFF", "R1=NOT 0XFF"},
        {"R1=R2 AND 0XFF", "R1=R2 AND 0XFF"},
        {"R1=INKEY$", "R1=INKEY$"},
        {"R1=RND", "R1=RND"},
        {"B=R3", "B=R3"},
        {"B=200", "B=200"},
        {"B=0XB", "B=0XB"},
        {"R3=B", "R3=B"},
        {"R1=5", "R1=5"},
        {"R10=R15", "R10=R15"},
        {"R15=R15-R14", "R15=R15-R14"},
        {"R1 = 5 MOD R2", "R1=5 MOD R2"},
        {"R1=-5+R2", "R1=-5+R2"},
        {"R1=R2--5", "R1=R2--5"},
        {"R1=R2+-5", "R1=R2+-5"},
        {"R1=R2 OR R3", "R1=R2 OR R3"},
        {"R1=R2 XOR 7", "R1=R2 XOR 7"},
        {"R1=R2/R3", "R1=R2/R3"},
        {"R1=-32768", "R1=-32768"},
        {"R1=0XFFFF", "R1=0XFFFF"},
        {"R1=5-R2", "R1=5-R2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ExpectAccepted(CompileLines({c.line}), c.stored + "\r\nEND\n"s);
    }
}

TEST_F(SourcePassTest, AcceptsConditionsOfEveryComparison) {
    const char* cases[] = {"IF R1 = 5 THEN",     "IF R1<>R2 THEN", "IF R1<=-5 THEN",
                           "IF R1>=0XFFFF THEN", "IF R1<R15 THEN", "IF R1>9 THEN",
                           "IF R1=-9999 THEN"};
    for (const char* line : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(CompileLines({line, "END IF"}).result, 0);
    }
}

TEST_F(SourcePassTest, ReadsAHexadecimalNumberOnlyOnItsOwnLine) {
    ExpectAccepted(CompileLines({"R1=0XF", "B=R3", "R2=B"}), "R1=0XF\r\nB=R3\r\nR2=B\r\nEND\n");
}

// Each line alone, followed by END, is refused on line 1.
TEST_F(SourcePassTest, RefusesMalformedLines) {
    struct Case {
        std::string line;
        std::uint8_t layout;
    };
    const Case cases[] = {
        // conditions
        {"IF R1<-5 THEN", 1},
        {"IF R1=5 THEN CLS", 1},
        {"IF 5=R1 THEN", 1},
        {"IF", 1},
        {"IF R1", 1},
        {"IF R1=5", 1},
        {"IF R1=5THEN", 1},
        {"IF R1==5 THEN", 1},
        {"IF R1=10000 THEN", 1},
        {"IF R16=1 THEN", 1},
        {"IF=5", 1},
        // blocks without an open IF, and malformed block lines
        {"END IF", 1},
        {"ELSE", 1},
        {"END", 1},
        {"END  IF X", 1},
        // simple statements
        {"CLS X", 1},
        {"CLEAR", 1},
        {"CLEAR INKEY", 1},
        {"WAIT -5", 1},
        {"WAIT 10000", 1},
        {"WAIT R16", 1},
        {"WAIT", 1},
        {"WAIT R1,2", 1},
        {"WAIT 5 5", 1},
        // PSET
        {"PSET 23,5,255", 1},
        {"PSET 19,0", 2},
        {"PSET 1", 1},
        {"PSET 1,2,", 1},
        {"PSET 1,2,3,4", 1},
        {"PSET -1,2", 1},
        {"PSET RX,2", 1},
        {"PSET 1,6", 1},
        {"PSET 1,2,256", 1},
        {"PSET ,1,2", 1},
        {"PSET 1,,2", 1},
        // PRINT
        {"PRINT", 1},
        {"PRINT \"A B\"", 1},
        {"PRINT \"\"", 1},
        {"PRINT \"<X>\"", 1},
        {"PRINT \"<F1\"", 1},
        {"PRINT \"A=B\"", 1},
        {"PRINT \"<FN>\"", 2},
        {"PRINT \"<F12>\"", 2},
        {"PRINT \"<ABCDEFG>\"", 1},
        {"PRINT \"ABC", 1},
        {"PRINT \"A>\"", 1},
        {"PRINT \"<<F1>>\"", 1},
        {"PRINT \"<>\"", 1},
        {"PRINT \"\"X\"", 1},
        {"PRINT \"A\",", 1},
        {"PRINT \"A\"3", 1},
        {"PRINT \"A\",300", 1},
        {"PRINT \"A\",R1,R2", 1},
        {"PRINT \"A\"", 0},
        {"PRINT ALL,300", 1},
        {"PRINT ALLX", 1},
        {"PRINT ALL,R16", 1},
        {"PRINT ALL R1", 1},
        {"PRINT R1,R2,R3", 1},
        {"PRINT R1,", 1},
        {"PRINT R16", 1},
        {"PRINT X", 1},
        // assignments
        {"R1=R2+R3+R4", 1},
        {"R1=40000", 1},
        {"R1=INKEY$+1", 1},
        {"R1=R2 AND NOT R3", 1},
        {"B=300", 1},
        {"B=R1+1", 1},
        {"5=R1", 1},
        {"R1=X", 1},
        {"R1==5", 1},
        {"R1=R2=R3", 1},
        {"R1=-0X10", 1},
        {"B=-5", 1},
        {"R1=RND+1", 1},
        {"R1=NOT R2+1", 1},
        {"R1=NOT", 1},
        {"R1=R2 MOD", 1},
        {"R1=R2-", 1},
        {"R1=+5", 1},
        {"R1=R2R3", 1},
        {"R16=1", 1},
        {"=5", 1},
        // keywords and labels
        {"ABCDEF X", 1},
        {"X", 1},
        {"FOO", 1},
        {"LOOP", 1},
        {std::string(32, 'A'), 1},
        {"A:B:", 1},
        {"A:B", 1},
        {"\x80\x81", 1},
        {"CLS\rCLS", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + " layout " + std::to_string(c.layout));
        ExpectRefused(CompileLines({c.line}, c.layout), WrongCommand(1));
    }
}

// Lines that the translator would have dropped, misread or overrun.
TEST_F(SourcePassTest, RefusesLinesTheTranslatorCannotTakeWhole) {
    const std::string cases[] = {
        "R1+R2=5",
        "+R1=5",
        "-R1=5",
        "R1 AND R2=5",
        "R1R2=5",
        "R1=",
        "B=",
        "R1=R2 AND R3 OR R4",
        "R1=NOT 5 AND R2",
        "R1=R2 MOD R3 MOD R4",
        "R1=5+7",
        "R1=-5*0X10",
        "B=R1 AND 5",
        "B=5 MOD 7",
        "B=NOT R1",
        "B=B",
        "B=R1 AND R2",
        "GOTO A:B",
        "GOTO",
        "PRINT R1+5,R2",
        "PRINT R1<5",
        "PRINT ALL,-0",
        "PRINT R1,-0",
        "PSET 1,-0",
        "A1 B:",
        "CLS\0"s,
        "\0:"s,
        "PRINT \"A\0\""s,
    };
    for (const std::string& line : cases) {
        SCOPED_TRACE(line);
        ExpectRefused(CompileLines({line}), WrongCommand(1));
    }
}

TEST_F(SourcePassTest, LineNumbersCountEveryPhysicalLine) {
    ExpectRefused(Compile("' comment\n\n   \nCLS\nBAD\nEND"), WrongCommand(5));
    ExpectRefused(Compile("CLS\r\n\r\nX\r\nEND\r\n"), WrongCommand(3));
    ExpectRefused(Compile("CLS\nCLS\rEND"), WrongCommand(2));
}

TEST_F(SourcePassTest, KeepsANulByteOnlyInsideAComment) {
    ExpectAccepted(Compile("CLS ' \0 note\nEND"s), "CLS\r\nEND\n");
}

TEST_F(SourcePassTest, ResolvesGotoTargetsAfterTheLastLine) {
    ExpectAccepted(CompileLines({"GOTO LOOP", "LOOP:", "GOTO LOOP"}),
                   "GOTO LOOP\r\nLOOP:\r\nGOTO LOOP\r\nEND\n");
    ExpectRefused(CompileLines({"LOOP:", "GOTO LOOPS"}), "Missing label \"LOOPS:\"\n");
    ExpectRefused(CompileLines({"LOOPS:", "GOTO LOOP"}), "Missing label \"LOOP:\"\n");
    ExpectRefused(CompileLines({"GOTO A", "GOTO B", "A:"}), "Missing label \"B:\"\n");
    // A label holding '=' is one line for both passes, and GOTO finds it.
    ExpectAccepted(CompileLines({"A=B:", "GOTO A=B"}), "A=B:\r\nGOTO A=B\r\nEND\n");
}

TEST_F(SourcePassTest, ReportsAMissingLabelBeforeAnOpenBlock) {
    ExpectRefused(CompileLines({"IF R1=1 THEN", "GOTO X"}), "Missing label \"X:\"\n");
    ExpectRefused(CompileLines({"IF R1=1 THEN", "CLS"}), "Missing \"ENF IF\"\n");
}

TEST_F(SourcePassTest, RefusesADuplicateLabel) {
    ExpectRefused(CompileLines({"LOOP:", "CLS", "LOOP:"}), WrongCommand(3));
    ExpectAccepted(CompileLines({"LOOP:", "LOOP1:", "LOOP2:"}),
                   "LOOP:\r\nLOOP1:\r\nLOOP2:\r\nEND\n");
}

std::vector<std::string> Numbered(int count, const std::string& prefix, const std::string& suffix) {
    std::vector<std::string> lines;
    for (int k = 0; k < count; ++k) lines.push_back(prefix + std::to_string(k) + suffix);
    return lines;
}

TEST_F(SourcePassTest, HoldsAHundredLabels) {
    std::vector<std::string> lines = Numbered(100, "L", ":");
    EXPECT_EQ(CompileLines(lines).result, 0);
    EXPECT_EQ(state_.labelCount, 100u);
    EXPECT_EQ(Label(99), "L99:");
    lines.push_back("L100:");
    ExpectRefused(CompileLines(lines), WrongCommand(101));
}

TEST_F(SourcePassTest, HoldsLabelsAndTargetsUpToTheirEntrySize) {
    const std::string name(30, 'N');
    ExpectAccepted(CompileLines({name + ":", "GOTO " + name}),
                   name + ":\r\nGOTO " + name + "\r\nEND\n");
    EXPECT_EQ(std::string(state_.labels[0].data(), kLabelSize), name + ":");
    ExpectRefused(CompileLines({name + "N:"}), WrongCommand(1));
    ExpectRefused(CompileLines({"GOTO " + name + "N"}), WrongCommand(1));
}

TEST_F(SourcePassTest, HoldsAHundredGotos) {
    std::vector<std::string> lines = Numbered(100, "GOTO L", "");
    lines.insert(lines.begin(), "L0:");
    for (int k = 1; k < 100; ++k) lines.push_back("L" + std::to_string(k) + ":");
    EXPECT_EQ(CompileLines(lines).result, 0);
    lines.insert(lines.begin() + 101, "GOTO L1");
    ExpectRefused(CompileLines(lines), WrongCommand(102));
}

TEST_F(SourcePassTest, NestsBlocksTwentyDeep) {
    std::vector<std::string> open(20, "IF R1=1 THEN");
    std::vector<std::string> lines = open;
    lines.insert(lines.end(), 20, "END IF");
    EXPECT_EQ(CompileLines(lines).result, 0);
    lines.insert(lines.begin(), "IF R2=2 THEN");
    ExpectRefused(CompileLines(lines), WrongCommand(21));
}

TEST_F(SourcePassTest, TakesOneElsePerBlock) {
    EXPECT_EQ(
        CompileLines({"IF R1=1 THEN", "ELSE", "IF R2=2 THEN", "ELSE", "END IF", "END IF"}).result,
        0);
    ExpectRefused(CompileLines({"IF R1=1 THEN", "ELSE", "ELSE", "END IF"}), WrongCommand(3));
    ExpectRefused(CompileLines({"IF R1=1 THEN", "END IF", "ELSE"}), WrongCommand(3));
    ExpectRefused(CompileLines({"IF R1=1 THEN", "END IF", "END IF"}), WrongCommand(3));
}

TEST_F(SourcePassTest, LimitsTheLineLength) {
    const std::string padded = "CLS" + std::string(197, ' ');
    EXPECT_EQ(CompileLines({padded}).result, 0);
    ExpectRefused(CompileLines({padded + " "}), WrongCommand(1));
    // The comment does not count against 200 characters, but the physical line holds 251.
    const std::string commented = padded + "'" + std::string(50, 'x');
    EXPECT_EQ(CompileLines({commented}).result, 0);
    EXPECT_EQ(Compile(commented + "\r\nEND").result, 0);
    ExpectRefused(CompileLines({commented + "x"}), WrongCommand(1));
}

TEST_F(SourcePassTest, LimitsTheProgramTextIncludingItsEnd) {
    std::vector<std::string> lines(2046, "CLS");
    lines.push_back("ABC:");
    const Outcome full = CompileLines(lines);
    EXPECT_EQ(full.result, 0);
    EXPECT_EQ(state_.programLength, kProgramTextSize);
    EXPECT_EQ(full.program.substr(kProgramTextSize - 10), "ABC:\r\nEND\n");
    // ABCD: still fits the text (3 bytes stay free); only the final END does not: the
    // line that holds the END is named.
    lines.back() = "ABCD:";
    ExpectRefused(CompileLines(lines), WrongCommand(2048));
    // END on the line of the last statement: that line is named.
    std::string text;
    for (int k = 0; k < 2046; ++k) text += "CLS\n";
    ExpectRefused(Compile(text + "ABCD:\nCLS END"), WrongCommand(2048));
}

// The line that takes the text past 10240 bytes is named, not the one before it.
TEST_F(SourcePassTest, NamesTheLineThatPassesTheProgramTextLimit) {
    // 1024 lines of 8 characters and their CR LF take 10240 bytes; line 1025 of 1 leaves 3.
    // 1023 lines of 8 characters and their CR LF take 10230 bytes; line 1024 leaves 3.
    std::vector<std::string> lines(1023, "R1=R1+10");
    lines.push_back("R1=R2");
    lines.push_back("A:");
    ExpectRefused(CompileLines(lines), WrongCommand(1025));
    EXPECT_EQ(state_.explanation.line, 1025);
}

TEST_F(SourcePassTest, LimitsPrintTextToFiftyKeyCodes) {
    const std::string names = [] {
        std::string text;
        for (int k = 0; k < 25; ++k) text += "<ENT>";
        return text;
    }();
    const std::string fifty = names + std::string(25, 'A');
    EXPECT_EQ(CompileLines({"PRINT \"" + fifty + "\""}).result, 0);
    ExpectRefused(CompileLines({"PRINT \"" + fifty + "A\""}), WrongCommand(1));
    // Characters that give no key code do not count.
    EXPECT_EQ(CompileLines({"PRINT \"" + fifty + "\x80\x81\""}).result, 0);
}

TEST_F(SourcePassTest, SurvivesLongLinesWithoutLineEnds) {
    ExpectRefused(Compile(std::string(100000, 'A') + " END"), WrongCommand(1));
    ExpectRefused(Compile("' " + std::string(100000, 'x') + "\nEND"), WrongCommand(1));
    ExpectRefused(Compile(std::string(100000, ' ') + "\nEND"), WrongCommand(1));
}

TEST_F(SourcePassTest, SurvivesBinaryFiles) {
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(4096, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
        const Outcome outcome = Compile(bytes + "\nEND");
        EXPECT_LT(outcome.message.size(), kMessageSize);
        EXPECT_LE(outcome.program.size(), kProgramTextSize);
    }
    // Every byte value, in comments of 128 bytes each.
    std::string comments;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte % 128 == 0) comments += "\n'";
        if (byte != '\n') comments += static_cast<char>(byte);
    }
    ExpectAccepted(Compile(comments + "\nEND"), "END\n");
}

TEST_F(SourcePassTest, ReportsAFileItCannotOpen) {
    const std::string missing = dir_.File("missing.vs");
    ExpectRefused(Run(missing), "Cannot open " + missing + " file!\n");
    ExpectRefused(Run(dir_.Path()), "Cannot open " + dir_.Path() + " file!\n");
}

TEST_F(SourcePassTest, KeepsALongPathInsideTheMessageBuffer) {
    const std::string path = dir_.File(std::string(2000, 'p'));
    const Outcome outcome = Run(path);
    EXPECT_EQ(outcome.result, -1);
    // The path is cut so that the whole message, closing LF included, fits the buffer.
    EXPECT_LT(outcome.message.size(), kMessageSize);
    EXPECT_EQ(outcome.message.rfind("Cannot open ", 0), 0u);
    EXPECT_EQ(outcome.message.substr(outcome.message.size() - 7), " file!\n");
}

TEST_F(SourcePassTest, CompilesAWriteProtectedScript) {
    Write("CLS\nEND\n");
    ASSERT_EQ(chmod(Path().c_str(), 0444), 0);
    ExpectAccepted(Run(Path()), "CLS\r\nEND\n");
}

TEST_F(SourcePassTest, TakesNoMessageBuffer) {
    Write("X\nEND\n");
    EXPECT_EQ(RunSourcePass(state_, Path().c_str(), nullptr), -1);
    EXPECT_EQ(RunSourcePass(state_, nullptr, nullptr), -1);
}

}  // namespace
}  // namespace vorn::script
