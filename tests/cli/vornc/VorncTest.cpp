// Runs the built vornc in a scratch folder and checks temp.o byte for byte, the streams
// and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/script/EncoderTestSupport.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

namespace {

using vorn::script::test::ReadFile;
using Outcome = vorn::test::ProcessOutcome;

class VorncTest : public ::testing::Test {
  protected:
    // vornc with `args`, started in the scratch folder.
    Outcome Vornc(const std::vector<std::string>& args) {
        return vorn::test::RunProcess(VORNC_PATH, args, dir_.Path());
    }

    std::string TempO() const { return ReadFile(dir_.File("temp.o")); }
    bool HasTempO() const { return std::filesystem::exists(dir_.File("temp.o")); }

    static std::string Data(const std::string& name) {
        return std::string(VORN_ENCODER_DATA_DIR) + "/" + name;
    }

    vorn::test::TempDir dir_;
};

TEST_F(VorncTest, CompilesScriptsToTheirGoldenTempOInTheCurrentDirectory) {
    for (const char* name : {"loop_if", "if_else", "every_statement"}) {
        const Outcome run = Vornc({Data(std::string(name) + ".vs")});
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(run.err, "") << name;
        EXPECT_EQ(TempO(), ReadFile(Data(std::string(name) + ".o"))) << name;
    }
}

TEST_F(VorncTest, TraceLinesGoToStandardOutputOnlyWithTrace) {
    EXPECT_EQ(Vornc({Data("if_else.vs")}).out, "");
    const Outcome run = Vornc({"--trace", Data("if_else.vs")});
    EXPECT_EQ(run.out, "Command:IF\nCommand:ELSE\nCommand:END\nCommand END\n");
}

// The message stays as it was; --explain adds lines an editor can jump to.
TEST_F(VorncTest, ExplainFollowsTheMessageWithFileLineColumnLines) {
    struct Case {
        std::string script;
        std::string expected;
    };
    const Case cases[] = {
        {"CLS\n  PRINT \"A B\"\nEND\n",
         "Wrong command, Line 2\n"
         "bad.vs:2:11: error: a blank in PRINT text\n"
         "bad.vs:2:11: note: type a blank with <SPACE>\n"},
        {"WAIT R16\nEND\n",
         "Wrong command, Line 1\n"
         "bad.vs:1:6: error: \"R16\" is not a register: R0 to R15\n"},
        {"PSET 23,1\nEND\n",
         "Wrong command, Line 1\n"
         "bad.vs:1:6: error: column 23 is past the last column (22) of this layout\n"},
        {"CLS\nGOTO LOOP\nEND\n",
         "Missing label \"LOOP:\"\n"
         "bad.vs:2:6: error: label \"LOOP\" is used by GOTO on line 2 but never defined\n"
         "bad.vs:2:6: note: define it on a line of its own: LOOP:\n"},
        {"IF R1=1 THEN\nCLS\nEND\n",
         "Missing \"ENF IF\"\n"
         "bad.vs:1:1: error: the IF block opened on line 1 is not closed\n"
         "bad.vs:1:1: note: add END IF after the last line of the block\n"},
        {"PRNT \"A\"\nEND\n",
         "Wrong command, Line 1\n"
         "bad.vs:1:1: error: \"PRNT\" is not a statement: IF ELSE END IF GOTO WAIT PRINT PSET "
         "CLS CLEAR\n"
         "bad.vs:1:1: note: did you mean PRINT?\n"},
        {"CLS\nEnd\n",
         "Error:last line of file ends without \"END\"\n"
         "bad.vs:2:1: error: the last text of the file is \"End\", not END\n"
         "bad.vs:2:1: note: write the final END as END or end, all in one case\n"},
    };
    for (const Case& c : cases) {
        dir_.Write("bad.vs", c.script);
        const Outcome plain = Vornc({"bad.vs"});
        const Outcome explained = Vornc({"--explain", "bad.vs"});
        EXPECT_EQ(explained.status, 1) << c.script;
        EXPECT_EQ(explained.err, c.expected) << c.script;
        EXPECT_EQ(plain.err, c.expected.substr(0, c.expected.find('\n') + 1)) << c.script;
    }
}

TEST_F(VorncTest, RefusedScriptGivesTheCompilerMessageAndStatus1) {
    dir_.Write("bad.vs", "CLS\nPRINT \"A B\"\nEND\n");
    const Outcome run = Vornc({"bad.vs"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Wrong command, Line 2\n");
    EXPECT_FALSE(HasTempO());
}

TEST_F(VorncTest, MissingScriptIsReportedWithItsPath) {
    const Outcome run = Vornc({"absent.vs"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Cannot open absent.vs file!\n");
}

TEST_F(VorncTest, TempOThatCannotBeWrittenFailsTheCompile) {
    std::filesystem::create_directory(dir_.File("temp.o"));
    const Outcome run = Vornc({Data("loop_if.vs")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Cannot create temp.o file!\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir_.File("temp.o")));
}

TEST_F(VorncTest, LayoutComesFromTheOptionOrTheModel) {
    dir_.Write("f12.vs", "PRINT \"<F12>\"\nEND\n");
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"f12.vs"}, 0},
        {{"--layout", "1", "f12.vs"}, 0},
        {{"--layout=1", "f12.vs"}, 0},
        {{"--model", "Orvane Pro", "f12.vs"}, 0},
        {{"f12.vs", "--model=Orvane Pro"}, 0},
        {{"--layout", "2", "f12.vs"}, 1},
        {{"--layout=2", "f12.vs"}, 1},
        {{"--model", "Tessik Pro", "f12.vs"}, 1},
    };
    for (const Case& c : cases) {
        const Outcome run = Vornc(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.front() << " " << c.args.back();
        if (c.status == 0) {
            EXPECT_EQ(TempO(), "20 45\r\nFF\r\n");
        } else {
            EXPECT_EQ(run.err, "Wrong command, Line 1\n");
        }
    }
}

TEST_F(VorncTest, WrongArgumentsGiveUsageAndStatus2) {
    dir_.Write("a.vs", "END\n");
    const std::vector<std::string> cases[] = {
        {},
        {"--layout", "3", "a.vs"},
        {"--layout", "0", "a.vs"},
        {"a.vs", "--layout"},
        {"--model", "Orvane", "a.vs"},
        {"--model", "orvane pro", "a.vs"},
        {"--layout", "1", "--model", "Orvane Pro", "a.vs"},
        {"--layout", "1", "--layout", "2", "a.vs"},
        {"a.vs", "a.vs"},
        {"--fast", "a.vs"},
    };
    for (const std::vector<std::string>& args : cases) {
        const Outcome run = Vornc(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_TRUE(run.err.starts_with("vornc: ")) << run.err;
        EXPECT_NE(run.err.find("Usage: vornc [--layout N | --model NAME] SCRIPT\n"),
                  std::string::npos);
        EXPECT_FALSE(HasTempO());
    }
}

TEST_F(VorncTest, HelpExplainsTheUsage) {
    const Outcome run = Vornc({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("Usage: vornc [--layout N | --model NAME] SCRIPT\n"));
    EXPECT_NE(run.out.find("\"Tessik Pro\""), std::string::npos);
    EXPECT_EQ(run.err, "");
}

std::string Golden(const std::string& name) {
    return ReadFile(std::string(VORNC_DATA_DIR) + "/" + name);
}

TEST_F(VorncTest, ListingsMatchTheirGoldenFiles) {
    for (const char* name : {"typing", "counter", "inkey", "endless"}) {
        const Outcome run = Vornc({"--listing", std::string(VORNC_DATA_DIR) + "/" + name + ".vs"});
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_EQ(run.out, Golden(std::string(name) + ".listing")) << name;
    }
}

// Including an endless loop stopped by the default bound, and a run cut short by --steps.
TEST_F(VorncTest, DryRunsMatchTheirGoldenFiles) {
    struct Case {
        std::string golden;
        std::vector<std::string> options;
        std::string script;
    };
    const Case cases[] = {
        {"typing.run", {}, "typing"},
        {"counter.run", {}, "counter"},
        {"counter-steps12.run", {"--steps", "12"}, "counter"},
        {"inkey-y.run", {"--inkey", "y", "--seed", "7"}, "inkey"},
        {"inkey-n.run", {"--inkey=n"}, "inkey"},
        {"endless.run", {}, "endless"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--run"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(std::string(VORNC_DATA_DIR) + "/" + c.script + ".vs");
        const Outcome run = Vornc(args);
        EXPECT_EQ(run.status, 0) << c.golden << ": " << run.err;
        EXPECT_EQ(run.out, Golden(c.golden)) << c.golden;
    }
    const Outcome both = Vornc({"--run", "--listing", std::string(VORNC_DATA_DIR) + "/counter.vs"});
    EXPECT_EQ(both.out, Golden("counter.listing") + "\n" + Golden("counter.run"));
}

TEST_F(VorncTest, ListingAndRunFollowOnlyASuccessfulCompile) {
    dir_.Write("bad.vs", "PRINT \"A B\"\nEND\n");
    const Outcome refused = Vornc({"--listing", "--run", "bad.vs"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "Wrong command, Line 1\n");
}

TEST_F(VorncTest, WrongRunOptionsGiveUsageAndStatus2BeforeCompiling) {
    dir_.Write("a.vs", "END\n");
    const std::vector<std::string> cases[] = {
        {"--inkey", "A", "a.vs"},
        {"--run", "--steps", "0", "a.vs"},
        {"--run", "--steps", "ten", "a.vs"},
        {"--run", "--seed", "-1", "a.vs"},
        {"--run", "--inkey", "<NOPE>", "a.vs"},
        {"--run", "--inkey", "<FN>", "--layout", "2", "a.vs"},
        {"--run", "--steps", "5", "--steps", "6", "a.vs"},
    };
    for (const std::vector<std::string>& args : cases) {
        const Outcome run = Vornc(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_TRUE(run.err.starts_with("vornc: ")) << run.err;
        EXPECT_NE(run.err.find("Usage: vornc [--layout N | --model NAME] SCRIPT\n"),
                  std::string::npos);
        EXPECT_FALSE(HasTempO());
    }
}

TEST_F(VorncTest, DoubleDashLetsAScriptNameBeginWithADash) {
    dir_.Write("-x.vs", "CLS\nEND\n");
    const Outcome run = Vornc({"--", "-x.vs"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TempO(), "00\r\nFF\r\n");
}

}  // namespace
