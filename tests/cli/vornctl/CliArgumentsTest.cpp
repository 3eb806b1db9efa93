// vornctl's command line: what each call means, and the one-line reason for a wrong one.
#include <gtest/gtest.h>

#include "cli/vornctl/CliArguments.h"

namespace vorn::cli {
namespace {

using Args = std::vector<std::string>;

struct Accepted {
    Args args;
    CliCommand want;
};

void PrintTo(const Accepted& c, std::ostream* os) {
    for (const std::string& arg : c.args) *os << '[' << arg << ']';
}

class AcceptedCall : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedCall, MeansWhatItSays) {
    CliCommand command;
    std::string problem;
    ASSERT_TRUE(ParseCliArguments(GetParam().args, command, problem)) << problem;
    const CliCommand& want = GetParam().want;
    EXPECT_EQ(command.action, want.action);
    EXPECT_EQ(command.all, want.all);
    EXPECT_EQ(command.file, want.file);
    EXPECT_EQ(command.keyboard, want.keyboard);
    EXPECT_EQ(command.slot, want.slot);
}

constexpr CliAction kList = CliAction::kList;
constexpr CliAction kUp = CliAction::kKeymapUpload;
constexpr CliAction kDown = CliAction::kKeymapDownload;
constexpr CliAction kScript = CliAction::kScriptDownload;

INSTANTIATE_TEST_SUITE_P(
    Calls, AcceptedCall,
    ::testing::Values(
        Accepted{{"list"}, {kList, false, "", {}, {}}},
        Accepted{{"list", "--all"}, {kList, true, "", {}, {}}},
        Accepted{{"--all", "list"}, {kList, true, "", {}, {}}},
        Accepted{{"keymap-upload", "k.dat"}, {kUp, false, "k.dat", {}, {}}},
        Accepted{{"keymap-upload", "k.dat", "--keyboard", "2"}, {kUp, false, "k.dat", 2, {}}},
        Accepted{{"keymap-download", "--keyboard=15", "k.dat"}, {kDown, false, "k.dat", 15, {}}},
        Accepted{{"script-download", "s.vs", "--slot", "3"}, {kScript, false, "s.vs", {}, 3}},
        Accepted{{"script-download", "--slot=0", "--keyboard", "1", "s.vs"},
                 {kScript, false, "s.vs", 1, 0}},
        // After "--" a name that starts with a dash is a file.
        Accepted{{"script-download", "--slot", "9", "--", "-odd.vs"},
                 {kScript, false, "-odd.vs", {}, 9}},
        Accepted{{"--help"}, {CliAction::kHelp, false, "", {}, {}}},
        Accepted{{"keymap-upload", "--help", "--bogus"}, {CliAction::kHelp, false, "", {}, {}}}));

struct Refused {
    Args args;
    std::string problem;
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.problem; }

class RefusedCall : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedCall, SaysWhatIsWrong) {
    CliCommand command;
    std::string problem;
    EXPECT_FALSE(ParseCliArguments(GetParam().args, command, problem));
    EXPECT_EQ(problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RefusedCall,
    ::testing::Values(
        Refused{{}, "no command given"}, Refused{{"lst"}, "unknown command \"lst\""},
        Refused{{"list", "x.dat"}, "list takes no file (\"x.dat\")"},
        Refused{{"keymap-upload"}, "keymap-upload needs a FILE"},
        Refused{{"keymap-upload", "a", "b"}, "keymap-upload takes one FILE"},
        Refused{{"keymap-download", ""}, "the FILE must not be empty"},
        Refused{{"keymap-upload", "a", "--all"}, "--all goes with list only"},
        Refused{{"list", "--keyboard", "0"},
                "list shows every keyboard; --keyboard goes with a transfer"},
        Refused{{"keymap-upload", "a", "--slot", "1"}, "--slot goes with script-download only"},
        Refused{{"script-download", "a.vs"}, "script-download needs --slot S"},
        Refused{{"script-download", "a.vs", "--slot", "10"},
                "--slot must be 0 to 9 (FN+0 to FN+9), not \"10\""},
        Refused{{"script-download", "a.vs", "--slot", "-1"},
                "--slot must be 0 to 9 (FN+0 to FN+9), not \"-1\""},
        Refused{{"script-download", "a.vs", "--slot=0x3"},
                "--slot must be 0 to 9 (FN+0 to FN+9), not \"0x3\""},
        Refused{{"script-download", "a.vs", "--slot", " 3"},
                "--slot must be 0 to 9 (FN+0 to FN+9), not \" 3\""},
        Refused{{"keymap-upload", "a", "--keyboard", "16"},
                "--keyboard must be 0 to 15, not \"16\""},
        Refused{{"keymap-upload", "a", "--keyboard="}, "--keyboard must be 0 to 15, not \"\""},
        Refused{{"keymap-upload", "a", "--keyboard"}, "--keyboard needs a value"},
        Refused{{"keymap-upload", "a", "--keyboard", "1", "--keyboard", "2"},
                "give --keyboard once"},
        Refused{{"list", "--all=yes"}, "unknown option --all=yes"},
        Refused{{"list", "--keyboards"}, "unknown option --keyboards"},
        Refused{{"list", "-v"}, "unknown option -v"}));

TEST(VornctlUsage, NamesEveryCommandAndTheHelpRepeatsIt) {
    const std::string usage = VornctlUsage();
    for (const char* word : {"list [--all]", "keymap-upload FILE", "keymap-download FILE",
                             "script-download FILE --slot S", "--help"}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(VornctlHelp().rfind(usage, 0), 0u);
}

}  // namespace
}  // namespace vorn::cli
