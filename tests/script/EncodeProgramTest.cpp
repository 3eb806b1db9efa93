// Whole compiles: script file in, intermediate file out, through the source pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "script/Encoder.h"
#include "tests/script/EncoderTestSupport.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

using test::ObjectText;
using test::ScriptText;

class EncodeProgramTest : public ::testing::Test {
  protected:
    EncodeProgramTest() : state_(std::make_unique<CompilerState>()) {
        state_->intermediatePath = dir_.File("temp.o");
    }

    int Compile(const std::string& path, std::uint8_t layout = 1) {
        return EncodeProgram(*state_, path.c_str(), message_, layout);
    }

    // Compiles `script` and returns the intermediate file's text.
    std::string Compiled(const std::string& script, std::uint8_t layout = 1) {
        EXPECT_EQ(Compile(dir_.Write("script.vs", script), layout), 0) << message_;
        return test::ReadFile(state_->intermediatePath);
    }

    // Compiles `script`, which must fail, and returns the message.
    std::string Refusal(const std::string& script, std::uint8_t layout = 1) {
        EXPECT_EQ(Compile(dir_.Write("script.vs", script), layout), 1);
        return message_;
    }

    vorn::test::TempDir dir_;
    std::unique_ptr<CompilerState> state_;
    char message_[kMessageSize] = {};
};

TEST_F(EncodeProgramTest, ScriptFilesGiveTheirGoldenIntermediateFiles) {
    for (const char* name : {"loop_if", "if_else", "every_statement"}) {
        const std::string base = std::string(VORN_ENCODER_DATA_DIR) + "/" + name;
        ASSERT_EQ(Compile(base + ".vs"), 0) << name << ": " << message_;
        EXPECT_EQ(test::ReadFile(state_->intermediatePath), test::ReadFile(base + ".o")) << name;
    }
}

TEST_F(EncodeProgramTest, CrLfLineEndsCompileAlike) {
    const std::string script = "if r1 = r2 then\r\n r3 = 1\r\nelse\r\n r3 = 2\r\nend if\r\nend\r\n";
    EXPECT_EQ(Compiled(script),
              ObjectText({"E3 21 0B 00", "80 03 01 00", "F0 0F 00", "80 03 02 00", "FF"}));
}

TEST_F(EncodeProgramTest, ScriptOfJustEnd) { EXPECT_EQ(Compiled("END\n"), "FF\r\n"); }

TEST_F(EncodeProgramTest, WorkedStatementsOfTheEncodingTables) {
    EXPECT_EQ(Compiled(ScriptText({"R1=-5", "R1=5", "WAIT 300", "WAIT R2", "PSET 22,5",
                                   "PSET R1,R2,R3", "PRINT \"ABC\",R4", "PSET", "END"})),
              ObjectText({"90 01 FB FF", "80 01 05 00", "C0 2C 01", "C1 02", "34 B6", "3F 21 03",
                          "26 04 04", "26 04 05", "26 04 06", "FF"}));
}

TEST_F(EncodeProgramTest, TraceLinesGoToStandardOutput) {
    testing::internal::CaptureStdout();
    Compiled(ScriptText({"CLS", "A:", "R1=1", "GOTO A", "END"}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Command CLR\nCommand:GOTO\nCommand END\n");
}

TEST_F(EncodeProgramTest, TwentyNestedBlocksEachInsideItsElse) {
    std::string script;
    std::vector<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        script += "IF R1=" + std::to_string(i) + " THEN\nCLS\nELSE\n";
        char line[32];
        std::snprintf(line, sizeof line, "E2 01 %02X 00 %02X 00", i, 10 * i + 10);
        expected.insert(expected.end(), {line, "00", "F0 C8 00"});
    }
    for (int i = 0; i < 20; ++i) script += "END IF\n";
    expected.push_back("FF");
    EXPECT_EQ(Compiled(script + "END\n"), ObjectText(expected));
}

TEST_F(EncodeProgramTest, LayoutReachesTheSourcePass) {
    const std::string script = ScriptText({"PRINT \"<F12>\"", "PSET 19,0", "END"});
    EXPECT_EQ(Compiled(script, 1), ObjectText({"20 45", "34 13", "FF"}));
    EXPECT_EQ(Refusal(script, 2), "Wrong command, Line 1\n");
}

// Without a key table a PRINT text has no key codes: the compile is refused (the
// translator also refuses it on its own) and nothing is written.
TEST_F(EncodeProgramTest, PrintTextWithoutAScriptLayoutIsRefused) {
    EXPECT_NE(Refusal(ScriptText({"PRINT \"A\"", "END"}), 0), "");
    EXPECT_FALSE(std::filesystem::exists(state_->intermediatePath));
}

TEST_F(EncodeProgramTest, SourcePassFailureLeavesTheIntermediateFileUntouched) {
    dir_.Write("temp.o", "old\r\n");
    EXPECT_EQ(Refusal(ScriptText({"CLS", "GOTO NOWHERE", "END"})), "Missing label \"NOWHERE:\"\n");
    EXPECT_EQ(test::ReadFile(state_->intermediatePath), "old\r\n");
}

TEST_F(EncodeProgramTest, MissingScriptIsReported) {
    const std::string path = dir_.File("absent.vs");
    EXPECT_EQ(Compile(path), 1);
    EXPECT_EQ(std::string(message_), "Cannot open " + path + " file!\n");
}

// 3413 key codes take 10239 stream bytes; END does not fit any more.
TEST_F(EncodeProgramTest, ScriptBeyondTheInstructionStreamIsRefusedAndWritesNothing) {
    dir_.Write("temp.o", "old\r\n");
    std::string script;
    for (int i = 0; i < 68; ++i) script += "PRINT \"" + std::string(50, 'A') + "\"\n";
    script += "PRINT \"" + std::string(13, 'A') + "\"\nEND\n";
    EXPECT_EQ(Refusal(script), "Script too long: its instructions exceed 10240 bytes\n");
    EXPECT_EQ(test::ReadFile(state_->intermediatePath), "old\r\n");
}

// A compile that cannot write its result must fail: a download would otherwise program
// whatever an earlier compile left behind.
TEST_F(EncodeProgramTest, IntermediateFileThatCannotBeCreatedFailsTheCompile) {
    state_->intermediatePath = dir_.File("missing/temp.o");
    testing::internal::CaptureStdout();
    const std::string message = Refusal("END\n");
    const std::string expected = "Cannot create " + state_->intermediatePath + " file!\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Command END\n" + expected);
    EXPECT_EQ(message, expected);
}

// In a folder others may write to, a temp.o planted as a link must not let a compile
// overwrite the link's target: the link is replaced by a new file of the user's only.
TEST_F(EncodeProgramTest, PlantedLinkIsReplacedAndItsTargetLeftUntouched) {
    namespace fs = std::filesystem;
    const std::string victim = dir_.Write("victim.txt", "keep me\n");
    fs::create_symlink(victim, state_->intermediatePath);
    EXPECT_EQ(Compiled("END\n"), "FF\r\n");
    EXPECT_EQ(test::ReadFile(victim), "keep me\n");
    const fs::file_status status = fs::symlink_status(state_->intermediatePath);
    EXPECT_TRUE(fs::is_regular_file(status));
    EXPECT_EQ(status.permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A dangling link is not followed to create its target either.
    fs::remove(state_->intermediatePath);
    const std::string absent = dir_.File("absent.txt");
    fs::create_symlink(absent, state_->intermediatePath);
    EXPECT_EQ(Compiled("END\n"), "FF\r\n");
    EXPECT_FALSE(fs::exists(absent));
    EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"script.vs", "temp.o", "victim.txt"}));
}

// A temp.o that shares its data with another file (a hard link, which any user may plant on
// every system) is replaced, never written through.
TEST_F(EncodeProgramTest, HardLinkedIntermediateFileIsReplacedNotWrittenThrough) {
    const std::string other = dir_.Write("other.txt", "keep me\n");
    std::filesystem::create_hard_link(other, state_->intermediatePath);
    EXPECT_EQ(Compiled("END\n"), "FF\r\n");
    EXPECT_EQ(test::ReadFile(other), "keep me\n");
}

TEST_F(EncodeProgramTest, EachCompileStartsFromClearedState) {
    Compiled(ScriptText({"A:", "B:", "C:", "GOTO C", "END"}));
    EXPECT_EQ(Compiled(ScriptText({"C:", "CLS", "GOTO C", "END"})),
              ObjectText({"00", "F0 00 00", "FF"}));
    EXPECT_EQ(state_->labelCount, 1u);
}

}  // namespace
}  // namespace vorn::script
