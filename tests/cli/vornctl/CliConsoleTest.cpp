// vornctl's standard error: messages on lines of their own, progress as plain lines every
// tenth of the way, or as a bar redrawn in place on a terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/vornctl/CliConsole.h"

namespace vorn::cli {
namespace {

state::ProgressState At(int position, int high, bool visible = true) {
    state::ProgressState progress;
    progress.high = high;
    progress.position = position;
    progress.visible = visible;
    return progress;
}

std::string Steps(bool terminal, int high) {
    std::ostringstream err;
    CliConsole console(err, terminal);
    for (int position = 0; position <= high; ++position)
        console.ProgressChanged(At(position, high));
    console.ProgressChanged(At(high, high, false));
    return err.str();
}

TEST(CliConsole, PlainLinesComeEveryTenthOfTheWayAndAtTheEnd) {
    EXPECT_EQ(Steps(false, 20),
              "progress 0/20\nprogress 2/20\nprogress 4/20\nprogress 6/20\nprogress 8/20\n"
              "progress 10/20\nprogress 12/20\nprogress 14/20\nprogress 16/20\nprogress 18/20\n"
              "progress 20/20\n");
}

TEST(CliConsole, AShortRangeGetsALinePerStep) {
    EXPECT_EQ(Steps(false, 2), "progress 0/2\nprogress 1/2\nprogress 2/2\n");
}

TEST(CliConsole, TheBarIsRedrawnInPlaceAndEndedWhenHidden) {
    EXPECT_EQ(Steps(true, 2),
              "\r[                              ] 0/2"
              "\r[###############               ] 1/2"
              "\r[##############################] 2/2\n");
}

TEST(CliConsole, HiddenOrEmptyProgressShowsNothing) {
    std::ostringstream err;
    CliConsole console(err, true);
    console.ProgressChanged(At(1, 4, false));
    console.ProgressChanged(At(0, 0));
    EXPECT_EQ(err.str(), "");
}

TEST(CliConsole, RepeatedProgressIsNotWrittenAgain) {
    std::ostringstream err;
    CliConsole console(err, false);
    for (int i = 0; i < 3; ++i) console.ProgressChanged(At(1, 2));
    EXPECT_EQ(err.str(), "progress 1/2\n");
}

TEST(CliConsole, AMessageDuringTheBarStartsALineOfItsOwn) {
    std::ostringstream err;
    CliConsole console(err, true);
    console.ProgressChanged(At(1, 2));
    console.Message("WaitForSingleObject timeout");
    console.ProgressChanged(At(2, 2));
    EXPECT_EQ(err.str(),
              "\r[###############               ] 1/2\n"
              "WaitForSingleObject timeout\n"
              "\r[##############################] 2/2");
}

TEST(CliConsole, MessagesEndWithOneLineBreak) {
    std::ostringstream err;
    CliConsole console(err, false);
    console.Message("Fail to read the intermediate file.\n");
    console.Message("Fail to erase the selected slot.\nError Code: 0xE3.");
    console.Note("a remark");
    EXPECT_EQ(err.str(),
              "Fail to read the intermediate file.\n"
              "Fail to erase the selected slot.\nError Code: 0xE3.\n"
              "vornctl: a remark\n");
}

}  // namespace
}  // namespace vorn::cli
