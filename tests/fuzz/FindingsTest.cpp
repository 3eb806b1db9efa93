// Findings of the hostile-input work whose set-up a fuzz input cannot express, each kept
// as the case that showed it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "script/Encoder.h"

namespace vorn::fuzz {
namespace {

// The compiler's one message must end in LF however long the script's path is; a path
// near the message buffer's size used to cut the LF off.
TEST(CompilerFindingsTest, CannotOpenMessageEndsInLfForAnyPathLength) {
    for (const std::size_t length : {10u, 480u, 493u, 511u, 600u, 4000u}) {
        const std::string path = "/nonexistent/" + std::string(length, 'x') + ".vs";
        script::CompilerState state;
        state.intermediatePath = "/nonexistent/temp.o";
        char message[script::kMessageSize];
        ASSERT_EQ(script::EncodeProgram(state, path.c_str(), message, 1), 1) << length;
        const std::string text(message);
        EXPECT_EQ(text.rfind("Cannot open ", 0), 0u) << text;
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n') << "path of " << length << " characters";
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
}

}  // namespace
}  // namespace vorn::fuzz
