// What "Fail to init." tells below its text: the advice follows what stood in the way, so a
// keyboard that was pulled out is not sent to the udev rules, nor a refused one told to
// plug it in again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "state/Notices.h"

namespace vorn::state {
namespace {

using hid::OpenFailure;
using testing::HasSubstr;
using testing::Not;

TEST(InitFailureDetail, AdviceFollowsWhatStoodInTheWay) {
    const std::string refused = InitFailureDetail(
        "/dev/hidraw3", "open /dev/hidraw3: Permission denied", OpenFailure::kAccessDenied);
    EXPECT_THAT(refused, HasSubstr("/dev/hidraw3 could not be opened (open /dev/hidraw3: "
                                   "Permission denied)."));
    const std::string gone = InitFailureDetail("/dev/hidraw3", "", OpenFailure::kGone);
    EXPECT_THAT(gone, HasSubstr("could not be opened.\n\nThe keyboard is no longer there"));
    const std::string unknown =
        InitFailureDetail("", "open /dev/hidraw3: Input/output error", OpenFailure::kUnknown);
    EXPECT_THAT(unknown, HasSubstr("The keyboard's device node could not be opened"));
    EXPECT_THAT(unknown, HasSubstr("Unplug and replug the keyboard"));
    for (const std::string& other : {gone, unknown}) EXPECT_THAT(other, Not(HasSubstr("udev")));
#ifdef _WIN32
    EXPECT_THAT(refused, Not(HasSubstr("udev")));
    EXPECT_THAT(refused, HasSubstr("another program may be using it"));
#else
    EXPECT_THAT(refused, HasSubstr("60-vornutil.rules"));
    EXPECT_THAT(refused,
                HasSubstr("    sudo udevadm control --reload-rules\n"
                          "    sudo udevadm trigger --subsystem-match=hidraw --action=add\n"));
    EXPECT_THAT(unknown, HasSubstr("vornctl doctor"));
#endif
}

}  // namespace
}  // namespace vorn::state
