// The built vornctl and vornkbd as a shell runs them: help, usage and exit statuses. What
// needs a keyboard is run in-process on simulated ones, and against the kernel by
// tests/kernel/run.sh.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

namespace vorn::cli::test {

using namespace ::vorn::test;  // the temporary folder, the file helpers and the runner
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

using Outcome = ProcessOutcome;

class ProgramsTest : public ::testing::Test {
  protected:
    Outcome Start(const std::string& program, const std::vector<std::string>& args) {
        return RunProcess(program, args);
    }

    vorn::test::TempDir dir;
};

TEST_F(ProgramsTest, VornctlHelpExitsZeroOnStandardOutput) {
    const Outcome run = Start(VORNCTL_PATH, {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.out, StartsWith("Usage: vornctl list [--all]\n"));
    EXPECT_EQ(run.err, "");
}

TEST_F(ProgramsTest, VornctlWrongCallsExitTwoWithTheUsageOnStandardError) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"script-download", "x.vs", "--slot", "12"}}) {
        const Outcome run = Start(VORNCTL_PATH, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_THAT(run.err, StartsWith("vornctl: "));
        EXPECT_THAT(run.err, HasSubstr("Try 'vornctl --help' for more.\n"));
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(ProgramsTest, EveryToolAnswersVersionWithTheEmbeddedVersion) {
    for (const auto& [program, name] : std::vector<std::pair<std::string, std::string>>{
             {VORNCTL_PATH, "vornctl"}, {VORNC_PATH, "vornc"}, {VORNKBD_PATH, "vornkbd"}}) {
        const Outcome run = Start(program, {"--version"});
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out, name + " " VORN_VERSION "\n");
    }
}

TEST_F(ProgramsTest, VornctlUdevRulePrintsTheInstalledFile) {
    const Outcome run = Start(VORNCTL_PATH, {"udev-rule"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, ReadText(VORN_SOURCE_DIR "/res/60-vornutil.rules"));
}

TEST_F(ProgramsTest, VornkbdHelpAndWrongCalls) {
    const Outcome help = Start(VORNKBD_PATH, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("\"Orvane Pro\""));
    const Outcome wrong = Start(VORNKBD_PATH, {"--model", "Orvane Max"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_THAT(wrong.err, StartsWith("vornkbd: no keyboard model is called \"Orvane Max\"\n"));
}

TEST_F(ProgramsTest, VornkbdRefusesAForeignKeymapBeforeItTouchesUhid) {
    WriteText(dir.File("bad.dat"), "not a keymap");
    const Outcome run =
        Start(VORNKBD_PATH, {"--model", "Brellow", "--keymap", dir.File("bad.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "vornkbd: " + dir.File("bad.dat") + ": Invalid file format.\n");
}

}  // namespace
}  // namespace vorn::cli::test
