// What keymap upload and download share: the checks before the file dialog, the dialog
// itself, and the refusals that must leave both the keyboard and the files alone.
#include <ostream>

#include "KeymapFixture.h"
#include "keymap/KeymapTransfer.h"

namespace vorn::keymap {
namespace {

using state::Outcome;

struct ProcedureCase {
    const char* name;
    Procedure run;
    test::DialogKind dialog;
    friend void PrintTo(const ProcedureCase& c, std::ostream* out) { *out << c.name; }
};

const ProcedureCase kBoth[] = {
    {"Upload", &KeymapUpload, test::DialogKind::kSave},
    {"Download", &KeymapDownload, test::DialogKind::kOpen},
};

class KeymapCommonTest : public KeymapFixture, public ::testing::WithParamInterface<ProcedureCase> {
  protected:
    state::Outcome Run() { return GetParam().run(state, link, user); }
};

TEST_P(KeymapCommonTest, WithoutKeyboardsAsksForOneAndShowsNoDialog) {
    ListKeyboards();
    user.AnswerFile(dir.File("keys.dat"));
    EXPECT_EQ(Run(), Outcome::kRefused);
    EXPECT_EQ(user.Messages(), Strings{"Please plug a VORN keyboard first."});
    EXPECT_TRUE(user.Dialogs().empty());
}

TEST_P(KeymapCommonTest, WithoutSelectionAsksForOne) {
    Plug("/dev/hidraw-sim0");
    ListKeyboards();  // a rebuild leaves nothing selected
    EXPECT_EQ(Run(), Outcome::kRefused);
    EXPECT_EQ(user.Messages(), Strings{"Please select a model first."});
    EXPECT_TRUE(user.Dialogs().empty());
}

// The keyboard is listed, but its node refuses to open (no permission, say).
TEST_P(KeymapCommonTest, KeyboardThatCannotBeOpenedFailsToInit) {
    sim::SimKeyboard& keyboard = PlugSelected();
    platform.FailCalls(sim::SimHidPlatform::Op::kOpen, 1);
    EXPECT_EQ(Run(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to init."});
    EXPECT_TRUE(user.Dialogs().empty());
    EXPECT_TRUE(keyboard.Commands().empty());
    EXPECT_FALSE(link.IsOpen());
}

TEST_P(KeymapCommonTest, KeyboardPulledOutSinceTheListFailsToInit) {
    PlugSelected();
    platform.Detach("/dev/hidraw-sim0");
    EXPECT_EQ(Run(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to init."});
    EXPECT_TRUE(user.Dialogs().empty());
}

TEST_P(KeymapCommonTest, RefusedPropertyIsReportedBeforeTheDialog) {
    sim::SimKeyboard& keyboard = PlugSelected();
    keyboard.FaultCommand(kCmdGetProperty, Status(kKeyboardRefuses));
    EXPECT_EQ(Run(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to read the property from the keyboard"});
    EXPECT_TRUE(user.Dialogs().empty());
}

TEST_P(KeymapCommonTest, PropertyTimeOutIsReportedFirst) {
    sim::SimKeyboard& keyboard = PlugSelected();
    keyboard.FaultCommand(kCmdGetProperty, NoReply());
    GetParam().run(state, quickLink, user);
    EXPECT_EQ(user.Messages(), (Strings{"WaitForSingleObject timeout",
                                        "Fail to read the property from the keyboard"}));
}

TEST_P(KeymapCommonTest, CancelledDialogEndsSilentlyWithTheLinkOpen) {
    sim::SimKeyboard& keyboard = PlugSelected();
    user.CancelFile();
    EXPECT_EQ(Run(), Outcome::kCancelled);
    EXPECT_TRUE(user.Messages().empty());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(keyboard.Commands(), std::vector<std::uint8_t>{kCmdGetProperty});
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_P(KeymapCommonTest, DialogAsksForKeymapFiles) {
    PlugSelected();
    user.CancelFile();
    Run();
    const std::vector<test::DialogRecord> dialogs = user.Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, GetParam().dialog);
    EXPECT_EQ(dialogs[0].defaultExtension, "*.dat");
    EXPECT_EQ(dialogs[0].filter, "Binary Files {*.dat}|*.dat|All Files {*.*}|*.*||");
    EXPECT_EQ(dialogs[0].flags, 0x81000u);
}

TEST_P(KeymapCommonTest, NothingHappensWhileAScriptDownloadRuns) {
    sim::SimKeyboard& keyboard = PlugSelected();
    const Bytes keymap = KeymapOf(keyboard);
    const std::string path = dir.File("keys.dat");
    test::WriteBytes(path, FileFor(keyboard, Pattern(keymap.size(), 9)));
    state.scriptRunning.store(true);
    user.AnswerFile(path);
    EXPECT_EQ(Run(), Outcome::kRefused);
    EXPECT_TRUE(user.Messages().empty());
    EXPECT_TRUE(user.Dialogs().empty());
    EXPECT_TRUE(keyboard.Commands().empty());
    EXPECT_EQ(KeymapOf(keyboard), keymap);
}

TEST_P(KeymapCommonTest, FileThatCannotBeOpenedIsReported) {
    PlugSelected();
    user.AnswerFile(dir.File("no such folder/keys.dat"));
    EXPECT_EQ(Run(), Outcome::kFailed);
    EXPECT_EQ(user.Messages(), Strings{"Fail to open the selected file."});
}

INSTANTIATE_TEST_SUITE_P(Both, KeymapCommonTest, ::testing::ValuesIn(kBoth),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorn::keymap
