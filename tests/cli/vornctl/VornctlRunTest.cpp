// vornctl on simulated keyboards: exit statuses, the streams, and what reached the
// keyboards, for the listing, the keymap transfers and the keyboard selection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "VornctlFixture.h"
#include "hid/LinkProtocol.h"
#include "keymap/KeymapFile.h"

namespace vorn::cli::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Bytes = std::vector<std::uint8_t>;
using Op = sim::SimHidPlatform::Op;

Bytes Pattern(std::size_t size, int seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 37 + i * 5);
    return bytes;
}

// A keymap file of the Orvane Pro with `blocks` of `size` bytes each.
Bytes KeymapFile(std::uint32_t size, const std::vector<Bytes>& blocks,
                 std::uint16_t product = kOrvaneProProduct) {
    const keymap::HeaderBytes header = keymap::EncodeHeader(
        {kBrellowVendor, product, size, static_cast<std::uint8_t>(blocks.size())});
    Bytes file(header.begin(), header.end());
    for (const Bytes& block : blocks) file.insert(file.end(), block.begin(), block.end());
    return file;
}

class VornctlRunTest : public VornctlFixture {};

TEST_F(VornctlRunTest, WrongCallsExitWithTwoAndTheUsageBeforeAnyDeviceIsLookedAt) {
    PlugOrvanePro();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"lst"}, {"list", "x"}, {"script-download", "a.vs"}, {"list", "--slot", "1"}}) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_THAT(run.err, StartsWith("vornctl: "));
        EXPECT_THAT(run.err, HasSubstr(VornctlUsage() + "Try 'vornctl --help' for more.\n"));
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(platform.Calls(Op::kOpenInterfaceSet), 0u);
}

TEST_F(VornctlRunTest, HelpGoesToStandardOutputWithExitZero) {
    const Outcome run = Run({"--help"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, VornctlHelp());
    EXPECT_EQ(run.err, "");
}

TEST_F(VornctlRunTest, ListShowsEachKeyboardOnALineInInterfaceOrder) {
    PlugOrvanePro("/dev/hidraw-sim0");
    platform.Attach(Device("/dev/hidraw-sim1", 0x1209, 0x0001));
    Desc tessik = Device("/dev/hidraw-sim2", 0x0A34, 0x0211);
    tessik.featureReportByteLength = 5;
    platform.Attach(tessik);

    const Outcome run = Run({"list"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "0\tOrvane Pro\t0f39:1085\treport length 9\t/dev/hidraw-sim0\n"
              "1\tTessik\t0a34:0211\treport length 5\t/dev/hidraw-sim2\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(VornctlRunTest, ListWithoutKeyboardsSaysSoAndStillSucceeds) {
    platform.Attach(Device("/dev/hidraw-sim0", 0x1209, 0x0001));
    const Outcome run = Run({"list"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Please plug a VORN keyboard first.\n");
}

TEST_F(VornctlRunTest, ListAllGivesEveryOtherInterfaceWithTheReasonItWasNotTaken) {
    PlugOrvanePro("/k");
    platform.Attach(Device("/vendor", 0x1209, 0x0001));
    Desc usage = Device("/usage", kBrellowVendor, kOrvaneProProduct);
    usage.usage = 0x0006;
    platform.Attach(usage);
    platform.Attach(Device("/product", kBrellowVendor, 0x9999));
    Desc locked = Device("/locked", kBrellowVendor, kBrellowProduct);
    locked.openable = false;
    platform.Attach(locked);
    problem = {"open /locked: Permission denied", true};

    const Outcome run = Run({"list", "--all"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "0\tOrvane Pro\t0f39:1085\treport length 9\t/k\n"
              "-\t/vendor\t1209:0001\tnot taken: other vendor\n"
              "-\t/usage\t0f39:1085\tnot taken: usage 0x0006, a keyboard has 0x0080\n"
              "-\t/product\t0f39:9999\tnot taken: unknown product\n"
              "-\t/locked\t????:????\tnot taken: cannot be opened (open /locked: Permission "
              "denied)\n");
    EXPECT_THAT(run.err, HasSubstr("install the udev rule 60-vornutil.rules"));
}

TEST_F(VornctlRunTest, ListAllNamesAListedKeyboardThatRefusesTheTransferOpen) {
    PlugOrvanePro("/k");
    // The listing's query open and the survey's query open go through; the transfer does not.
    platform.FailCalls(Op::kOpen, 1, 2);
    problem = {"open /k: Permission denied", true};

    const Outcome run = Run({"list", "--all"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out,
              "0\tOrvane Pro\t0f39:1085\treport length 9\t/k\n"
              "-\t/k\t0f39:1085\tlisted, but cannot be opened (open /k: Permission denied)\n");
    EXPECT_EQ(run.err,
              "vornctl: this user may not open the keyboard's device node; install the udev rule "
              "60-vornutil.rules (see \"Keyboard access on Linux\" in the README)\n");
}

TEST_F(VornctlRunTest, ListAllGivesNoHintWhenNothingWasAMatterOfPermission) {
    PlugOrvanePro("/k");
    platform.Attach(Device("/vendor", 0x1209, 0x0001));
    const Outcome run = Run({"list", "--all"});
    EXPECT_EQ(run.err, "");
}

TEST_F(VornctlRunTest, KeymapUploadSavesTheKeymapAndExitsZero) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    keyboard.SetGeometry(16, 2);
    keyboard.SetBlock(1, Pattern(16, 1));
    keyboard.SetBlock(2, Pattern(16, 2));
    const std::string path = dir.File("keys.dat");

    const Outcome run = Run({"keymap-upload", path});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "Upload successfully.\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(path), KeymapFile(16, {Pattern(16, 1), Pattern(16, 2)}));
}

TEST_F(VornctlRunTest, KeymapDownloadWritesTheFileIntoTheKeyboardAndExitsZero) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    keyboard.SetGeometry(16, 2);
    const std::string path = dir.File("keys.dat");
    WriteBytes(path, KeymapFile(16, {Pattern(16, 3), Pattern(16, 4)}));

    const Outcome run = Run({"keymap-download", path});
    EXPECT_EQ(run.status, kExitOk);
    // The message, then where the keyboard's earlier keymap was saved.
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "Download successfully.\n");
    EXPECT_NE(run.err.find("saved in " + dir.File("backups")), std::string::npos);
    EXPECT_EQ(keyboard.Block(1), Pattern(16, 3));
    EXPECT_EQ(keyboard.Block(2), Pattern(16, 4));
}

struct Failure {
    const char* name;
    std::vector<std::string> args;  // "FILE" stands for the prepared file
    Bytes file;                     // written to FILE unless empty
    std::optional<std::uint8_t> refusedCommand;
    std::string message;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class KeymapFailure : public VornctlFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(KeymapFailure, ExitsWithOneAfterTheProceduresMessage) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    keyboard.SetGeometry(16, 1);
    const Failure& c = GetParam();
    if (!c.file.empty()) WriteBytes(dir.File("in.dat"), c.file);
    if (c.refusedCommand) {
        sim::SimKeyboard::ReplyFault fault;
        fault.status = 0x12;
        keyboard.FaultCommand(*c.refusedCommand, fault);
    }
    std::vector<std::string> args = c.args;
    for (std::string& arg : args) {
        if (arg == "FILE") arg = dir.File("in.dat");
    }
    const Outcome run = Run(args);
    EXPECT_EQ(run.status, kExitFailed);
    // A failure after the erase adds, below the message, what became of the earlier keymap.
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Procedures, KeymapFailure,
    ::testing::Values(
        Failure{
            "missing_file", {"keymap-download", "FILE"}, {}, {}, "Fail to open the selected file."},
        Failure{"other_model",
                {"keymap-download", "FILE"},
                KeymapFile(16, {Pattern(16, 1)}, kBrellowProduct),
                {},
                "The selected file is not for the selected model."},
        Failure{
            "short_header", {"keymap-download", "FILE"}, Bytes(84, 0), {}, "Invalid file format."},
        Failure{"property_refused",
                {"keymap-upload", "FILE"},
                {},
                hid::CMD_GET_PROPERTY,
                "Fail to read the property from the keyboard"},
        Failure{"erase_refused",
                {"keymap-download", "FILE"},
                KeymapFile(16, {Pattern(16, 1)}),
                hid::CMD_ERASE_KEYMAP,
                "Fail to erase the existing keymap"},
        Failure{
            "read_refused", {"keymap-upload", "FILE"}, {}, hid::CMD_READ_KEYMAP, "Upload failed."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VornctlRunTest, ATimeOutShowsTheLinksMessageBeforeTheProceduresOwn) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    sim::SimKeyboard::ReplyFault silent;
    silent.noReply = true;
    keyboard.FaultCommand(hid::CMD_GET_PROPERTY, silent);
    replyWait = std::chrono::milliseconds(100);

    const Outcome run = Run({"keymap-upload", dir.File("keys.dat")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err,
              "WaitForSingleObject timeout\nFail to read the property from the keyboard\n");
}

TEST_F(VornctlRunTest, TheKeyboardIndexPicksThatEntryOfTheList) {
    sim::SimKeyboard& first = PlugOrvanePro("/dev/hidraw-sim0");
    sim::SimKeyboard& second = PlugOrvanePro("/dev/hidraw-sim1");
    for (sim::SimKeyboard* keyboard : {&first, &second}) keyboard->SetGeometry(16, 1);
    second.SetBlock(1, Pattern(16, 9));
    const std::string path = dir.File("keys.dat");

    const Outcome run = Run({"keymap-upload", path, "--keyboard", "1"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(ReadBytes(path), KeymapFile(16, {Pattern(16, 9)}));
    EXPECT_TRUE(first.Commands().empty());
}

TEST_F(VornctlRunTest, AKeyboardIndexPastTheListIsRefusedBeforeAnythingIsSent) {
    sim::SimKeyboard& keyboard = PlugOrvanePro();
    const Outcome run = Run({"keymap-upload", dir.File("keys.dat"), "--keyboard", "3"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "vornctl: there is no keyboard 3; 1 listed (see vornctl list)\n");
    EXPECT_TRUE(keyboard.Commands().empty());
    EXPECT_FALSE(dir.Exists("keys.dat"));
}

TEST_F(VornctlRunTest, TwoKeyboardsAndNoIndexGetTheWindowsAnswerAndHowToChoose) {
    PlugOrvanePro("/dev/hidraw-sim0");
    PlugBrellow("/dev/hidraw-sim1");
    const Outcome run = Run({"keymap-upload", dir.File("keys.dat")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err,
              "Please select a model first.\n"
              "vornctl: 2 keyboards are plugged in; choose one with --keyboard I (see vornctl "
              "list)\n");
}

TEST_F(VornctlRunTest, NoKeyboardGetsTheWindowsAnswerWithOrWithoutAnIndex) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"keymap-upload", "k.dat"},
                                               {"keymap-download", "k.dat", "--keyboard", "0"},
                                               {"script-download", "s.vs", "--slot", "0"}}) {
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, kExitFailed);
        EXPECT_EQ(run.err, "Please plug a VORN keyboard first.\n");
    }
}

TEST_F(VornctlRunTest, AKeyboardThatCannotBeOpenedGetsFailToInitWithTheReasonAndTheHint) {
    PlugOrvanePro();
    platform.FailCalls(Op::kOpen, 1, 1);  // the listing's query open goes through
    platform.SetInjectedOpenFailure(hid::OpenFailure::kAccessDenied);
    problem = {"open /dev/hidraw-sim0: Permission denied", true};

    const Outcome run = Run({"keymap-upload", dir.File("keys.dat")});
    EXPECT_EQ(run.status, kExitFailed);
    // The window's detail (device, reason, and on Linux the rule and the udevadm commands)
    // comes first, then the remarks of vornctl's own.
    EXPECT_THAT(run.err, StartsWith("Fail to init.\nThe keyboard's device /dev/hidraw-sim0"));
#ifdef _WIN32
    EXPECT_THAT(run.err, HasSubstr("another program may be using it"));
#else
    EXPECT_THAT(run.err, HasSubstr("udevadm control --reload-rules\n"));
#endif
    EXPECT_THAT(run.err, HasSubstr("vornctl: open /dev/hidraw-sim0: Permission denied\n"
                                   "vornctl: this user may not open"));
}

}  // namespace
}  // namespace vorn::cli::test
