// vornctl script-download on simulated keyboards: the slot it programs, its progress on
// standard error, and the exit status of each ending.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "VornctlFixture.h"
#include "hid/LinkProtocol.h"

namespace vorn::cli::test {
namespace {

using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

constexpr char kDone[] = "Download the scrip file successfully.\n";
// Two instructions; temp.o has two CR LF lines, which the download counts as three.
constexpr char kScript[] = "r1 = 1\nend\n";

class VornctlScriptTest : public VornctlFixture {
  protected:
    std::string Script(const std::string& text) {
        WriteText(dir.File("s.vs"), text);
        return dir.File("s.vs");
    }
};

TEST_F(VornctlScriptTest, ProgramsTheSlotGivenAndExitsZero) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    const Outcome run = Run({"script-download", Script(kScript), "--slot", "3"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_THAT(run.err, ::testing::EndsWith(kDone));

    const sim::SimKeyboard::SlotRecord slot = keyboard.Slot(3);
    EXPECT_EQ(slot.erases, 1);
    EXPECT_EQ(slot.begins, 1);
    ASSERT_EQ(slot.writes.size(), 2u);
    EXPECT_EQ(slot.writes[0].sequence, 0);
    EXPECT_EQ(slot.writes[1], (sim::SimKeyboard::ScriptWrite{1, Bytes{0xFF}}));
    for (int other : {0, 2, 4, 9}) EXPECT_EQ(keyboard.Slot(other).erases, 0) << other;
    EXPECT_FALSE(dir.Exists("temp.o"));
}

TEST_F(VornctlScriptTest, CompilerTraceLinesOnlyWithTrace) {
    PlugOrvanePro();
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"script-download", Script(kScript), "--slot", "1"}).status, kExitOk);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"script-download", Script(kScript), "--slot", "1", "--trace"}).status, kExitOk);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Command END\n");
}

TEST_F(VornctlScriptTest, TheLastSlotIsReachable) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    EXPECT_EQ(Run({"script-download", Script(kScript), "--slot", "9"}).status, kExitOk);
    EXPECT_EQ(keyboard.Slot(9).writes.size(), 2u);
}

TEST_F(VornctlScriptTest, ProgressIsPlainLinesWhenStandardErrorIsNoTerminal) {
    PlugOrvanePro();
    const Outcome run = Run({"script-download", Script(kScript), "--slot", "0"});
    EXPECT_EQ(run.err,
              std::string("progress 0/3\nprogress 1/3\nprogress 2/3\nprogress 3/3\n") + kDone);
}

TEST_F(VornctlScriptTest, ProgressIsABarOnATerminalAndTheMessageStartsALineOfItsOwn) {
    PlugOrvanePro();
    terminal = true;
    const Outcome run = Run({"script-download", Script(kScript), "--slot", "0"});
    EXPECT_THAT(run.err, HasSubstr("\r[          "));
    EXPECT_THAT(run.err, ::testing::EndsWith("\r[##############################] 3/3\n" +
                                             std::string(kDone)));
    EXPECT_EQ(run.err.find("progress"), std::string::npos);
}

struct Ending {
    const char* name;
    std::string script;
    bool brellow = false;
    std::optional<std::uint8_t> refusedCommand;
    std::string message;
};

void PrintTo(const Ending& e, std::ostream* os) { *os << e.name; }

class ScriptFailure : public VornctlFixture, public ::testing::WithParamInterface<Ending> {};

TEST_P(ScriptFailure, ExitsWithOneAfterTheDownloadsMessage) {
    const Ending& c = GetParam();
    sim::SimKeyboard& keyboard = c.brellow ? PlugBrellow() : PlugOrvanePro();
    if (c.refusedCommand) {
        sim::SimKeyboard::ReplyFault fault;
        fault.status = 0x81;
        keyboard.FaultCommand(*c.refusedCommand, fault);
    }
    WriteText(dir.File("s.vs"), c.script);
    const Outcome run = Run({"script-download", dir.File("s.vs"), "--slot", "3"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, ::testing::EndsWith(c.message));
    EXPECT_FALSE(dir.Exists("temp.o"));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ScriptFailure,
    ::testing::Values(
        Ending{"model_without_slots", kScript, true, {}, "Not supported for this model.\n"},
        Ending{"refused_script", "bogus words\nend\n", false, {}, "Wrong command, Line 1\n"},
        Ending{"erase_refused", kScript, false, hid::CMD_ERASE_SLOT,
               "Fail to erase the selected slot.\nError Code: 0x81.\n"},
        Ending{"write_refused", kScript, false, hid::CMD_WRITE_SCRIPT,
               "Fail to program instruction seq #1.\nError Code: 0x81.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VornctlScriptTest, AMissingScriptIsTheCompilersToReport) {
    PlugOrvanePro();
    const Outcome run = Run({"script-download", dir.File("none.vs"), "--slot", "1"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr("none.vs"));
}

// The exit status is the procedure's outcome, whatever the last message says: a compile that
// fails with the success text as its message still fails, and one that fails without a word
// fails too.
TEST_F(VornctlScriptTest, TheExitStatusFollowsTheOutcomeNotTheMessageText) {
    PlugOrvanePro();
    for (const char* said : {"Download the scrip file successfully.", ""}) {
        compile = [said](script::CompilerState&, const char*, char* message, std::uint8_t) {
            std::snprintf(message, 512, "%s", said);
            return 1;
        };
        const Outcome run = Run({"script-download", Script(kScript), "--slot", "0"});
        EXPECT_EQ(run.status, kExitFailed) << said;
        EXPECT_THAT(run.err, HasSubstr(said));
    }
}

}  // namespace
}  // namespace vorn::cli::test
