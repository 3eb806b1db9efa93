// vornkbd's command line: the model's ids unless overridden, the ranges of the numbers.
#include <gtest/gtest.h>

#include "cli/vornkbd/KbdOptions.h"

namespace vorn::kbd {
namespace {

using Args = std::vector<std::string>;

KbdOptions Parsed(const Args& args) {
    KbdOptions options;
    std::string problem;
    EXPECT_TRUE(ParseKbdArguments(args, options, problem)) << problem;
    return options;
}

TEST(KbdOptions, TheModelGivesTheIdsAndTheDefaultsTheRest) {
    const KbdOptions options = Parsed({"--model", "Orvane Pro"});
    EXPECT_EQ(options.model, 2);
    EXPECT_EQ(options.vendorId, 0x0F39);
    EXPECT_EQ(options.productId, 0x1085);
    EXPECT_EQ(options.usage, 0x0080);
    EXPECT_EQ(options.reportLength, 9);
    EXPECT_FALSE(options.blockSize);
    EXPECT_FALSE(options.blockCount);
    EXPECT_FALSE(options.verbose);
}

TEST(KbdOptions, TessikIsTheFirstRowOfThatName) {
    const KbdOptions options = Parsed({"--model", "Tessik"});
    EXPECT_EQ(options.vendorId, 0x0A34);
    EXPECT_EQ(options.productId, 0x0211);
}

TEST(KbdOptions, EveryOptionTakesItsValue) {
    const KbdOptions options =
        Parsed({"--block-size", "252", "--blocks", "255", "--model", "Brellow", "--keymap", "k.dat",
                "--dump", "out", "--report-length", "20", "--verbose", "--vendor", "0x1209",
                "--product", "1", "--usage", "0X0006"});
    EXPECT_EQ(options.model, 6);
    EXPECT_EQ(options.blockSize, 252);
    EXPECT_EQ(options.blockCount, 255);
    EXPECT_EQ(options.keymapFile, "k.dat");
    EXPECT_EQ(options.dumpDir, "out");
    EXPECT_EQ(options.reportLength, 20);
    EXPECT_TRUE(options.verbose);
    EXPECT_EQ(options.vendorId, 0x1209);
    EXPECT_EQ(options.productId, 1);
    EXPECT_EQ(options.usage, 6);
}

TEST(KbdOptions, HelpNeedsNoModel) { EXPECT_TRUE(Parsed({"--help"}).help); }

struct Refused {
    Args args;
    std::string problem;
};

class KbdRefusedCall : public ::testing::TestWithParam<Refused> {};

TEST_P(KbdRefusedCall, SaysWhatIsWrong) {
    KbdOptions options;
    std::string problem;
    EXPECT_FALSE(ParseKbdArguments(GetParam().args, options, problem));
    EXPECT_EQ(problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, KbdRefusedCall,
    ::testing::Values(
        Refused{{}, "--model NAME is needed"},
        Refused{{"--model", "orvane pro"}, "no keyboard model is called \"orvane pro\""},
        Refused{{"--model"}, "--model needs a value"},
        Refused{{"--model", "Brellow", "--keymap", ""}, "--keymap needs a value"},
        Refused{{"--model", "Brellow", "--report-length", "1"},
                "--report-length must be 2 to 20, not \"1\""},
        Refused{{"--model", "Brellow", "--report-length", "21"},
                "--report-length must be 2 to 20, not \"21\""},
        Refused{{"--model", "Brellow", "--blocks", "256"},
                "--blocks must be 0 to 255, not \"256\""},
        Refused{{"--model", "Brellow", "--block-size", "65536"},
                "--block-size must be 0 to 65535, not \"65536\""},
        Refused{{"--model", "Brellow", "--vendor", "0x"},
                "--vendor must be 0 to 65535, not \"0x\""},
        Refused{{"--model", "Brellow", "--usage", "-1"}, "--usage must be 0 to 65535, not \"-1\""},
        Refused{{"--model", "Brellow", "--blocks"}, "--blocks needs a value"},
        Refused{{"--model", "Brellow", "extra"}, "unknown option extra"}));

}  // namespace
}  // namespace vorn::kbd
