// The script download against a simulated keyboard, through the scripted user seam: the
// command's checks, the worker's traffic and messages, and the state left after every
// ending.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "hid/Discovery.h"
#include "hid/LinkProtocol.h"
#include "hid/ModelTable.h"
#include "script/Encoder.h"
#include "script/ScriptDownload.h"
#include "sim/SimHidPlatform.h"
#include "sim/SimKeyboard.h"
#include "state/KeyboardList.h"
#include "state/KeyboardSelection.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/TempDir.h"

namespace vorn::script {
namespace {

namespace fs = std::filesystem;
using sim::Bytes;
using sim::SimHidPlatform;
using sim::SimKeyboard;
using Writes = std::vector<SimKeyboard::ScriptWrite>;

constexpr int kOrvanePro = 2;  // a model with ten script slots, layout 1
constexpr char kPath[] = "sim/orvane-pro";
constexpr char kSuccess[] = "Download the scrip file successfully.";
constexpr char kReadFailed[] = "Fail to read the intermediate file.\n";
constexpr char kTooLong[] = "Exceed the max size for one isntruction.";

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The instructions of an intermediate file, one per CR LF line, read independently of the
// download.
std::vector<Bytes> InstructionsOf(const std::string& text) {
    std::vector<Bytes> instructions;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Bytes bytes;
        for (std::string field; fields >> field;)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(field, nullptr, 16)));
        if (!bytes.empty()) instructions.push_back(bytes);
    }
    return instructions;
}

// A compile step that writes `contents` as the intermediate file, for files the encoder
// would never write.
CompileStep Writing(std::string contents) {
    return [contents](CompilerState& compiler, const char*, char*, std::uint8_t) {
        WriteFile(compiler.intermediatePath, contents);
        return 0;
    };
}

std::string Repeated(const std::string& field, int times) {
    std::string line;
    for (int i = 0; i < times; ++i) line += (i ? " " : "") + field;
    return line + "\r\n";
}

class ScriptDownloadTest : public ::testing::Test {
  protected:
    ScriptDownloadTest()
        : keyboard_(platform_.Attach({.path = kPath, .vendorId = 0x0F39, .productId = 0x1085})) {
        compiler_.intermediatePath = dir_.File("temp.o");
        UseReplyWait(std::chrono::seconds(10));
        state::AddSlotEntries(kOrvanePro, state_.slots);
        state_.scriptLayout = hid::ScriptLayout(kOrvanePro);
    }

    // The worker ends before the folder it reads from goes.
    ~ScriptDownloadTest() override { download_.reset(); }

    void UseReplyWait(std::chrono::milliseconds wait) {
        download_.reset();
        link_.reset();
        link_.emplace(platform_, &user_, wait);
        state::EnumerateKeyboards(*link_, state_.devices, state_.keyboards);
        state_.keyboards.SetSelected(0);
    }

    ScriptDownload& Download(CompileStep compile = {}) {
        if (!download_) download_.emplace(state_, *link_, user_, compiler_, std::move(compile));
        return *download_;
    }

    std::string Script(const std::string& text) {
        const std::string path = dir_.File("script.vs");
        WriteFile(path, text);
        return path;
    }

    // Answers the file dialog with the script, presses the button and waits for the end.
    // A compile step replaces the download object.
    state::Outcome Run(const std::string& scriptText, CompileStep compile = {}) {
        if (compile) download_.reset();
        user_.AnswerFile(Script(scriptText));
        EXPECT_EQ(Download(std::move(compile)).SCRIPTUpload(), std::nullopt);
        download_->Wait();
        return download_->LastOutcome();
    }

    std::vector<std::string> Messages() const { return user_.Messages(); }
    Writes SlotWrites(int slot = 0) const { return keyboard_.Slot(slot).writes; }

    // The idle state every ending returns to.
    void ExpectIdle() {
        EXPECT_FALSE(state_.scriptRunning.load());
        EXPECT_TRUE(state_.SlotListVisible());
        EXPECT_FALSE(state_.Progress().visible);
        EXPECT_FALSE(download_ && download_->Running());
        EXPECT_FALSE(fs::exists(compiler_.intermediatePath));
    }

    vorn::test::TempDir dir_;
    SimHidPlatform platform_;
    SimKeyboard& keyboard_;
    test::ScriptedUser user_;
    std::optional<hid::Link> link_;
    state::MainState state_;
    CompilerState compiler_;
    std::optional<ScriptDownload> download_;
};

TEST_F(ScriptDownloadTest, JustEndErasesBeginsAndWritesOneInstruction) {
    EXPECT_EQ(Run("END\r\n"), state::Outcome::kDone);
    EXPECT_EQ(Messages(), std::vector<std::string>{kSuccess});
    EXPECT_EQ(keyboard_.Commands(),
              (Bytes{hid::CMD_ERASE_SLOT, hid::CMD_BEGIN_SLOT, hid::CMD_WRITE_SCRIPT}));
    EXPECT_EQ(SlotWrites(), (Writes{{0, {0xFF}}}));
    const state::ProgressState progress = state_.Progress();
    EXPECT_EQ(progress.low, 0);
    EXPECT_EQ(progress.high, 2);
    EXPECT_EQ(progress.position, 2);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, AsksForAScriptFile) {
    Run("END\r\n");
    ASSERT_EQ(user_.Dialogs().size(), 1u);
    const test::DialogRecord dialog = user_.Dialogs()[0];
    EXPECT_EQ(dialog.kind, test::DialogKind::kOpen);
    EXPECT_EQ(dialog.defaultExtension, "*.vs");
    EXPECT_EQ(dialog.filter, "Vorn Script Files {*.vs}|*.vs |All Files {*.*}|*.*||");
    EXPECT_EQ(dialog.flags, state::kOfnExplorer | state::kOfnFileMustExist);
}

std::string ThreeHundredInstructions() {
    std::string text;
    for (int i = 0; i < 299; ++i) text += "R1=R1+1\r\n";
    return text + "END\r\n";
}

TEST_F(ScriptDownloadTest, SequenceNumbersWrapAt256) {
    Run(ThreeHundredInstructions());
    EXPECT_EQ(Messages(), std::vector<std::string>{kSuccess});
    const Writes writes = SlotWrites();
    ASSERT_EQ(writes.size(), 300u);
    for (std::size_t i = 0; i < writes.size(); ++i) EXPECT_EQ(writes[i].sequence, i % 256) << i;
    EXPECT_EQ(writes[255].sequence, 255);
    EXPECT_EQ(writes[299].sequence, 43);
    EXPECT_EQ(state_.Progress().position, 301);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, FailureAtThe300thInstructionNamesSequence44) {
    // With 9-byte reports, erase and begin go out as one report each and every
    // R1=R1+1 (84 01 01 00) as two: the 601st report carries the 300th instruction.
    keyboard_.FailSetFeature(1, 2 + 299 * 2);
    Run(ThreeHundredInstructions());
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Fail to program instruction seq #44.\nError Code: 0xE2."});
    EXPECT_EQ(SlotWrites().size(), 299u);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, ThirdSlotEntryProgramsSlotTwo) {
    state_.slots.SetSelected(2);
    Run("END\r\n");
    EXPECT_EQ(state_.selectedSlot, 2);
    const std::vector<SimKeyboard::CommandRecord> log = keyboard_.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].packet, (Bytes{0xEA, 0x03, hid::CMD_ERASE_SLOT, 0x02, 0xAD ^ 0x02}));
    EXPECT_EQ(log[1].packet, (Bytes{0xEA, 0x03, hid::CMD_BEGIN_SLOT, 0x02, 0xAC ^ 0x02}));
    EXPECT_EQ(SlotWrites(2), (Writes{{0, {0xFF}}}));
    EXPECT_TRUE(SlotWrites(0).empty());
}

struct Refusal {
    const char* name;
    void (*arrange)(state::MainState&);
    const char* message;
    friend void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }
};

class ScriptDownloadRefusalTest : public ScriptDownloadTest,
                                  public ::testing::WithParamInterface<Refusal> {};

TEST_P(ScriptDownloadRefusalTest, RefusesBeforeOpeningTheKeyboardOrAskingForAFile) {
    GetParam().arrange(state_);
    const std::uint64_t opens = platform_.Calls(SimHidPlatform::Op::kOpen);
    user_.AnswerFile(Script("END\r\n"));
    EXPECT_EQ(Download().SCRIPTUpload(), state::Outcome::kRefused);
    EXPECT_EQ(Messages(), std::vector<std::string>{GetParam().message});
    EXPECT_EQ(platform_.Calls(SimHidPlatform::Op::kOpen), opens);
    EXPECT_TRUE(user_.Dialogs().empty());
    EXPECT_TRUE(keyboard_.Commands().empty());
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ScriptDownloadRefusalTest,
    ::testing::Values(Refusal{"NoKeyboard", [](state::MainState& s) { s.keyboards.Clear(); },
                              "Please plug a VORN keyboard first."},
                      Refusal{"NoSelection",
                              [](state::MainState& s) { s.keyboards.SetSelected(-1); },
                              "Please select a model first."},
                      Refusal{"ModelWithoutSlots", [](state::MainState& s) { s.slots.Clear(); },
                              "Not supported for this model."},
                      Refusal{"NoSlotSelected",
                              [](state::MainState& s) { s.slots.SetSelected(-1); },
                              "Please select a slot first."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptDownloadTest, KeyboardThatCannotBeOpenedFailsToInit) {
    platform_.FailCalls(SimHidPlatform::Op::kOpen, 1);
    user_.AnswerFile(Script("END\r\n"));
    EXPECT_EQ(Download().SCRIPTUpload(), state::Outcome::kFailed);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fail to init."});
    EXPECT_TRUE(user_.Dialogs().empty());
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, CancelledDialogEndsQuietlyWithTheKeyboardOpen) {
    user_.CancelFile();
    EXPECT_EQ(Download().SCRIPTUpload(), state::Outcome::kCancelled);
    Download().Wait();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(link_->IsOpen());
    EXPECT_TRUE(keyboard_.Commands().empty());
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, SecondPressWhileRunningDoesNothing) {
    keyboard_.HoldReplies(true);
    user_.AnswerFile(Script("END\r\n"));
    Download().SCRIPTUpload();
    ASSERT_TRUE(keyboard_.WaitForCommands(1, std::chrono::seconds(5)));
    EXPECT_TRUE(state_.scriptRunning.load());
    EXPECT_TRUE(download_->Running());
    EXPECT_FALSE(state_.SlotListVisible());
    EXPECT_TRUE(state_.Progress().visible);

    user_.AnswerFile(Script("END\r\n"));
    EXPECT_EQ(download_->SCRIPTUpload(), state::Outcome::kRefused);
    EXPECT_EQ(user_.Dialogs().size(), 1u);
    EXPECT_EQ(user_.PendingAnswers(), 1u);

    keyboard_.HoldReplies(false);
    download_->Wait();
    // The refused second press leaves the running download's outcome alone.
    EXPECT_EQ(download_->LastOutcome(), state::Outcome::kDone);
    EXPECT_EQ(Messages(), std::vector<std::string>{kSuccess});
    EXPECT_EQ(keyboard_.Slot(0).erases, 1);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, NextDownloadAfterOneEndedRunsAgain) {
    Run("END\r\n");
    EXPECT_EQ(Run("CLS\r\nEND\r\n"), state::Outcome::kDone);
    EXPECT_EQ(Messages(), (std::vector<std::string>{kSuccess, kSuccess}));
    EXPECT_EQ(SlotWrites(), (Writes{{0, {0x00}}, {1, {0xFF}}}));
    ExpectIdle();
}

struct StatusFailure {
    const char* name;
    std::uint8_t command;
    std::uint8_t status;
    const char* message;
    Bytes commands;
    friend void PrintTo(const StatusFailure& f, std::ostream* os) { *os << f.name; }
};

class ScriptDownloadStatusTest : public ScriptDownloadTest,
                                 public ::testing::WithParamInterface<StatusFailure> {};

TEST_P(ScriptDownloadStatusTest, ShowsTheStatusAndSendsNothingAfterIt) {
    const StatusFailure& failure = GetParam();
    keyboard_.FaultCommand(failure.command, {.status = failure.status}, 1);
    EXPECT_EQ(Run("CLS\r\nEND\r\n"), state::Outcome::kFailed);
    EXPECT_EQ(Messages(), std::vector<std::string>{failure.message});
    EXPECT_EQ(keyboard_.Commands(), failure.commands);
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ScriptDownloadStatusTest,
    ::testing::Values(
        StatusFailure{"EraseE3",
                      hid::CMD_ERASE_SLOT,
                      0xE3,
                      "Fail to erase the selected slot.\nError Code: 0xE3.",
                      {hid::CMD_ERASE_SLOT}},
        StatusFailure{"BeginKeyboardCode",
                      hid::CMD_BEGIN_SLOT,
                      0x5A,
                      "Fail to start programming the selected slot.\nError Code: 0x5A.",
                      {hid::CMD_ERASE_SLOT, hid::CMD_BEGIN_SLOT}},
        StatusFailure{"FirstWrite",
                      hid::CMD_WRITE_SCRIPT,
                      0xAB,
                      "Fail to program instruction seq #1.\nError Code: 0xAB.",
                      {hid::CMD_ERASE_SLOT, hid::CMD_BEGIN_SLOT, hid::CMD_WRITE_SCRIPT}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptDownloadTest, TimeOutShowsTheLinksMessageFirst) {
    UseReplyWait(std::chrono::milliseconds(200));
    keyboard_.FaultCommand(hid::CMD_ERASE_SLOT, {.noReply = true}, 1);
    Run("END\r\n");
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"WaitForSingleObject timeout",
                                        "Fail to erase the selected slot.\nError Code: 0xE3."}));
    EXPECT_EQ(keyboard_.Slot(0).begins, 0);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, DestroyingWhileRunningWaitsForTheWorker) {
    UseReplyWait(std::chrono::milliseconds(200));
    keyboard_.HoldReplies(true);
    user_.AnswerFile(Script("END\r\n"));
    Download().SCRIPTUpload();
    ASSERT_TRUE(keyboard_.WaitForCommands(1, std::chrono::seconds(5)));
    download_.reset();
    EXPECT_EQ(Messages().size(), 2u);
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, FinishedCallbackComesLastOnce) {
    int calls = 0;
    bool flagClear = false, notRunning = false, idleShown = false;
    ScriptDownload& download = Download();
    download.SetFinishedCallback([&] {
        ++calls;
        flagClear = !state_.scriptRunning.load();
        notRunning = !download.Running();
        idleShown = state_.SlotListVisible() && !state_.Progress().visible;
    });
    Run("END\r\n");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(flagClear);
    EXPECT_TRUE(notRunning);
    EXPECT_TRUE(idleShown);
    EXPECT_EQ(Messages(), std::vector<std::string>{kSuccess});
}

TEST_F(ScriptDownloadTest, CompileErrorShowsTheCompilersMessage) {
    EXPECT_EQ(Run("CLS\r\nFOO BAR\r\nEND\r\n"), state::Outcome::kRefused);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Wrong command, Line 2\n"});
    EXPECT_TRUE(keyboard_.Commands().empty());
    ExpectIdle();
}

// The box keeps the compiler's message as its text and says why in its detail.
TEST_F(ScriptDownloadTest, CompileErrorExplainsWhyInTheDetail) {
    EXPECT_EQ(Run("CLS\r\nPRINT \"A B\"\r\nEND\r\n"), state::Outcome::kRefused);
    const std::vector<state::UserMessage> told = user_.Told();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "Wrong command, Line 2\n");
    EXPECT_EQ(told[0].detail,
              "Line 2, column 9: a blank in PRINT text.\nType a blank with <SPACE>.");
}

TEST_F(ScriptDownloadTest, StaleIntermediateFileIsNotSent) {
    WriteFile(compiler_.intermediatePath, "FF\r\n");
    const CompileStep writesNothing = [](CompilerState&, const char*, char*, std::uint8_t) {
        return 0;
    };
    Run("END\r\n", writesNothing);
    EXPECT_EQ(Messages(), std::vector<std::string>{kReadFailed});
    EXPECT_TRUE(keyboard_.Commands().empty());
    ExpectIdle();
}

TEST_F(ScriptDownloadTest, SlotHoldsTheLinesOfTheIntermediateFile) {
    const fs::path kept = dir_.File("kept.o");
    const CompileStep keeping = [kept](CompilerState& compiler, const char* path, char* message,
                                       std::uint8_t layout) {
        const int result = EncodeProgram(compiler, path, message, layout);
        std::error_code error;
        if (result == 0) fs::copy_file(compiler.intermediatePath, kept, error);
        return result;
    };
    Run(ReadFile(fs::path(VORN_DOWNLOAD_DATA) / "every_kind.vs"), keeping);
    ASSERT_EQ(Messages(), std::vector<std::string>{kSuccess});
    const std::vector<Bytes> lines = InstructionsOf(ReadFile(kept));
    const Writes writes = SlotWrites();
    ASSERT_GT(lines.size(), 50u);
    ASSERT_EQ(writes.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(writes[i].bytes, lines[i]) << "instruction " << i;
        EXPECT_EQ(writes[i].sequence, i % 256) << "instruction " << i;
    }
    ExpectIdle();
}

struct IntermediateCase {
    const char* name;
    std::string contents;
    std::string message;
    Writes writes;
    int progressHigh;  // lines read, the empty read at the end included
    friend void PrintTo(const IntermediateCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptDownloadFileTest : public ScriptDownloadTest,
                               public ::testing::WithParamInterface<IntermediateCase> {};

TEST_P(ScriptDownloadFileTest, SendsOnlyWholeWellFormedInstructions) {
    const IntermediateCase& file = GetParam();
    Run("END\r\n", Writing(file.contents));
    EXPECT_EQ(Messages(), std::vector<std::string>{file.message});
    EXPECT_EQ(SlotWrites(), file.writes);
    EXPECT_EQ(state_.Progress().high, file.progressHigh);
    if (file.message == kSuccess) {
        EXPECT_EQ(state_.Progress().position, file.progressHigh);
    }
    ExpectIdle();
}

// 253 to 255 values do not fit in one command: the link refuses them (0xE8) unsent.
constexpr char kRefusedBySend[] = "Fail to program instruction seq #1.\nError Code: 0xE8.";

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptDownloadFileTest,
    ::testing::Values(
        IntermediateCase{"Values256", Repeated("F", 256), kTooLong, {}, 2},
        IntermediateCase{"Values300", Repeated("00", 300), kTooLong, {}, 2},
        IntermediateCase{"Values256AfterOne",
                         "C1 02\r\n" + Repeated("1", 256),
                         kTooLong,
                         {{0, {0xC1, 0x02}}},
                         3},
        IntermediateCase{"Values255", Repeated("AA", 255), kRefusedBySend, {}, 2},
        IntermediateCase{"Values253", Repeated("AA", 253), kRefusedBySend, {}, 2},
        IntermediateCase{"Values252", Repeated("AA", 252), kSuccess, {{0, Bytes(252, 0xAA)}}, 2},
        IntermediateCase{"NotHex", "FF GG\r\n", kReadFailed, {}, 2},
        IntermediateCase{"NotHexAfterOne", "FF\r\nC0 0X10\r\n", kReadFailed, {{0, {0xFF}}}, 3},
        IntermediateCase{"StrayCarriageReturn", "C1\r02\r\n", kReadFailed, {}, 2},
        IntermediateCase{"Binary", std::string("\x01\x00\xFE\r\n", 5), kReadFailed, {}, 2},
        IntermediateCase{"EmptyLineSkipped",
                         "C0 E8 03\r\n\r\nFF\r\n",
                         kSuccess,
                         {{0, {0xC0, 0xE8, 0x03}}, {1, {0xFF}}},
                         4},
        IntermediateCase{"LowerCaseAndLowByte", "ff 1C0\r\n", kSuccess, {{0, {0xFF, 0xC0}}}, 2},
        IntermediateCase{"NoFinalLineEnd", "C1 02", kSuccess, {{0, {0xC1, 0x02}}}, 1},
        IntermediateCase{
            "LineFeedOnly", "C1 02\nFF\n", kSuccess, {{0, {0xC1, 0x02}}, {1, {0xFF}}}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorn::script
